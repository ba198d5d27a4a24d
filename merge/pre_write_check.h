// The check a run makes before it writes its first document, shown to the user (the window's 检查
// step, the CLI's stderr and --check): places where a title stands inside longer text and would
// break a label, columns the template never uses, placeholders that match no column, and the rows
// of the sheet that will not become documents (after a blank first cell, below the last row read).
// Pure functions over texts the run has read; UI thread only where they read through a handle.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_PRE_WRITE_CHECK_H_
#define VEXLO_MERGE_PRE_WRITE_CHECK_H_

#include <optional>
#include <string>
#include <vector>

#include "merge/data_source.h"
#include "merge/placeholders.h"
#include "office/oleobject.h"

namespace vexlo::merge {

// A title found inside longer text of the template: the value would go in the middle of a word
// ("公积金" in "公积金比例" gives "1020比例").
struct TitleInText {
  std::string title;
  std::string context;  // the text around it, as the template has it
  int count = 1;        // places with this same context
};

// Rows of the sheet that hold data but will not become documents.
struct SkippedRows {
  int blank_row = 0;     // the row whose blank first cell ended the data (0: none did)
  int after_blank = 0;   // rows holding data from that row on, up to the last row read
  int last_row = 0;      // the last row a record is read from
  int beyond_last = 0;   // rows holding data below it
  int total() const { return after_blank + beyond_last; }
};

struct CheckFindings {
  std::vector<TitleInText> titles_in_text;
  std::vector<std::string> unused_titles;           // columns the template never uses
  std::vector<std::string> unmatched_placeholders;  // placeholders that name no column
  SkippedRows skipped;
  std::vector<std::string> other;  // further findings, each a line of its own
  // The records chosen, in words ("" when all are made). Told with the findings, but no finding
  // itself: the user asked for it.
  std::string chosen;

  bool empty() const {
    return titles_in_text.empty() && unused_titles.empty() && unmatched_placeholders.empty() &&
           skipped.total() == 0 && other.empty();
  }
};

// The places in `text` (a template's text, paragraphs ending in "\r") where a title would be
// replaced although a CJK character touches it, so that it stands inside longer text. A place
// inside a longer title that holds it is not one: the longer title is replaced first.
std::vector<TitleInText> TitlesInsideText(const std::string& text,
                                          const std::vector<std::string>& titles);

// The titles of `titles` that occur in `text` only inside a longer title (so are never filled).
std::vector<std::string> TitlesOnlyInsideLonger(const std::string& text,
                                                const std::vector<std::string>& titles);

// That a .doc template held active by `wordserver` is filled in the office directly, because its
// documents made through the .docx it was converted to would lose something (a difference the
// engine found and could not mend), as a finding naming the loss;
// nothing when it loses nothing or the word processor cannot tell. Never raises.
std::optional<std::string> ConversionLossFinding(const office::oleobject& wordserver);

// The whole check of a run: the template document that `wordserver` holds active (its text and
// its titles as the replacement matches them, or the placeholders it marks them with) against
// the titles of `data`, and the rows of `data` left out when `records` records are read. Reads
// through the handles; a failing call raises the gateway's run-time error.
CheckFindings CheckTemplateAndData(const office::oleobject& wordserver, const DataSource& data,
                                   int records, const TemplatePlaceholders& placeholders);

// Where the replacement puts each title's value in `text` (a subject or body template): the
// whole-word places, case ignored, longer titles first, in text order. `title` indexes `titles`.
struct TitlePlace {
  std::size_t begin, end;
  std::size_t title;
};
std::vector<TitlePlace> TitlePlaces(const std::string& text, const std::vector<std::string>& titles);

// Counts the rows that hold data and will not be made: `records` records were found from row 2
// on, ending at a blank first cell or at `last_record_row`.
SkippedRows FindSkippedRows(const DataSource& data, int records, int last_record_row);

// The findings as lines for a message, the first a heading; empty when there is nothing.
std::vector<std::string> FindingLines(const CheckFindings& findings);

// The lines of the final message that say what was not made (empty when nothing was skipped).
std::vector<std::string> SkippedLines(const SkippedRows& skipped);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_PRE_WRITE_CHECK_H_
