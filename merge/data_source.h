// DataSource: reads the merge's data from the active sheet of the spreadsheet instance held by
// `excelserver`: the column titles in row 1 (stopping at the first blank title, never past
// column zz) and, per record row 2..1000, the record name and the field values. Every value is
// one read of excelserver.application.activesheet.range(address).value, made when it is needed;
// nothing is cached. A failing read raises the run-time error of the gateway. UI thread only.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_DATA_SOURCE_H_
#define VEXLO_MERGE_DATA_SOURCE_H_

#include <optional>
#include <string>
#include <vector>

#include "office/oleobject.h"

namespace vexlo::merge {

// One title of the data sheet.
struct st_etitle {
  std::string titlename;  // the title text as read, spaces kept
  std::string wz;         // address of the title cell, e.g. "b1"
  std::string col;        // column letters, e.g. "b"; data cells are col + row number
};

class DataSource {
 public:
  static constexpr int kFirstRecordRow = 2;
  static constexpr int kLastRecordRow = 1000;
  static constexpr int kMaxTitles = 702;  // columns a .. zz

  // `excelserver` must stay connected (with the workbook open) while this object reads. With
  // `as_shown` every cell is read as the sheet shows it (its "text") instead of its "value".
  explicit DataSource(const office::oleobject& excelserver, bool as_shown = false)
      : excelserver_(excelserver), member_(as_shown ? "text" : "value") {}

  // Reads the titles of row 1 into titles() and returns their count (i_titlecount; 0 = none).
  int ReadTitles();
  const std::vector<st_etitle>& titles() const { return titles_; }
  // The titles' texts, in column order: what the template is searched for.
  std::vector<std::string> TitleNames() const;
  int i_titlecount() const { return static_cast<int>(titles_.size()); }

  // The record name of `row` (the text of the first title's column), or nullopt when it is blank:
  // the data ends there. REQUIRES: ReadTitles() found at least one title.
  std::optional<std::string> ReadRecordName(int row) const;
  // How many records the sheet holds: rows from 2 on up to the first blank record name.
  // REQUIRES: ReadTitles() found at least one title.
  int CountRecords() const;
  // The value of title `k` (1-based) in `row`, "" when blank, otherwise exactly as converted.
  std::string ReadFieldValue(int k, int row) const;

  // The last row of the active sheet that holds anything (the end of its used range; 1 when it
  // is empty).
  int LastUsedRow() const;
  // True when `row` holds anything in a title's column.
  bool RowHoldsData(int row) const;

  // The text of one cell ("c17"), converted by the gateway's general conversion; null when empty.
  std::optional<std::string> ReadCell(const std::string& address) const;

  // A field of `row` whose raw value reads differently from what the sheet shows: the value and
  // the shown text. Nullopt when all agree or the spreadsheet cannot tell what it shows.
  struct ShownDifference {
    std::string value;
    std::string shown;
  };
  std::optional<ShownDifference> FirstShownDifference(int row) const;

 private:
  std::optional<std::string> ReadMember(const std::string& address, const char* member) const;

  const office::oleobject& excelserver_;
  const char* member_;
  std::vector<st_etitle> titles_;
};

// The column letters of the `index`-th column (0-based): a .. z, aa .. az, ba .. zz.
// REQUIRES: 0 <= index < DataSource::kMaxTitles.
std::string ColumnLetters(int index);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_DATA_SOURCE_H_
