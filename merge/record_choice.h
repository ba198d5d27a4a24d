// Which records of the sheet a run makes: conditions on a column's value (equal to, or
// containing, a text), ranges of sheet rows, and rows of totals left out. A record is made when
// every condition holds. The choice is made before records are numbered and named, so the
// numbers, names and counts a run shows are those of the chosen records. Plain values; any thread.
// Convention: std::optional, nullopt for a text that is no valid choice.
#ifndef VEXLO_MERGE_RECORD_CHOICE_H_
#define VEXLO_MERGE_RECORD_CHOICE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::merge {

// "TITLE=VALUE": the column's value is VALUE; "TITLE~VALUE": it contains VALUE. Both sides are
// compared without the spaces around them.
struct RecordFilter {
  std::string title;
  std::string value;
  bool contains = false;
};

// Sheet rows `first` to `last` (inclusive; the titles are row 1, the first record row 2).
struct RowRange {
  int first = 0;
  int last = 0;
};

struct RecordChoice {
  std::vector<RecordFilter> filters;  // all must hold
  std::vector<RowRange> rows;         // the row must lie in one of them (none: any row)
  bool skip_totals = false;           // rows whose first cell is 合计, 小计 or 总计 are left out

  bool any() const { return !filters.empty() || !rows.empty() || skip_totals; }
};

// Parses "TITLE=VALUE" or "TITLE~VALUE" (the first = or ~ splits); nullopt when there is no
// title before it.
std::optional<RecordFilter> ParseRecordFilter(std::string_view text);

// Parses "2-50", "7" or a comma-separated list of them ("2-50,60,70-"; an open end runs to the
// last row); rows start at 2. Nullopt when the text is no such list.
std::optional<std::vector<RowRange>> ParseRowRanges(std::string_view text);

// Whether a record whose first cell reads `name` is a row of totals (合计, 小计, 总计, also
// written with spaces between the characters, as a sheet spreads them to fill the cell).
bool IsTotalsRow(std::string_view name);

// Whether `value` (a cell's text) meets `filter`.
bool MeetsFilter(const RecordFilter& filter, std::string_view value);

// The choice in words, for the check and the final message: "部门为“销售部”，第 2-50 行，
// 不含合计行".
std::string ChoiceText(const RecordChoice& choice);

// `text` without spaces, tabs, line breaks and ideographic spaces at either end.
std::string_view TrimSpaces(std::string_view text);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_RECORD_CHOICE_H_
