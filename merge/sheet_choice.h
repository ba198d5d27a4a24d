// Which sheet of the data workbook a run reads: the sheets listed through the spreadsheet's
// object model (workbooks.item(1).worksheets: count, item(i).name), the one a request names
// found by name or number, made active with worksheets.item(name).activate(), and, when the
// sheet used has no records, another sheet that has some. Only members of the spreadsheet's own
// object model are used, so that any spreadsheet behind the gateway serves. UI thread only.
// Convention: a failing automation call raises app::RuntimeError, the program's error record.
#ifndef VEXLO_MERGE_SHEET_CHOICE_H_
#define VEXLO_MERGE_SHEET_CHOICE_H_

#include <optional>
#include <string>
#include <vector>

#include "office/oleobject.h"

namespace vexlo::merge {

// The worksheets of a workbook, in their order, and which one is active.
struct SheetList {
  std::vector<std::string> names;
  int active = -1;  // index into names; -1 when unknown
};

// The sheets of the first workbook open in `excelserver`. Raises the gateway's run-time error
// when the spreadsheet cannot list them.
SheetList ListSheets(const office::oleobject& excelserver);

// The sheets of the workbook file at `path`, read through a spreadsheet instance of its own that
// is quit again; empty when the file cannot be opened as a workbook (the run says why).
SheetList SheetsOfFile(const std::string& path);

// The index of the sheet `wanted` stands for: a sheet of that name (case ignored), else a
// 1-based number of a sheet; nullopt when it stands for none.
std::optional<int> FindSheet(const SheetList& sheets, const std::string& wanted);

// Makes the sheet `name` the workbook's active one.
void ActivateSheet(const office::oleobject& excelserver, const std::string& name);

// Lists the sheets into `sheets` and makes the one `wanted` stands for (FindSheet) the active
// one; false when it stands for none.
bool ActivateWanted(const office::oleobject& excelserver, const std::string& wanted, SheetList& sheets);

// "数据文件“X”中没有名为“Y”的工作表。它的工作表有：A、B。"
std::string UnknownSheetText(const std::string& data_path, const std::string& wanted,
                             const SheetList& sheets);

// A sheet other than `used` with at least one record: its name and record count. The sheets
// are looked at by activating each; `used` is active again afterwards. Nullopt when there is
// none or the spreadsheet cannot tell.
struct SheetRecords {
  std::string name;
  int records = 0;
};
std::optional<SheetRecords> OtherSheetWithRecords(const office::oleobject& excelserver,
                                                  const SheetList& sheets, int used);

// Why a run whose active sheet of `sheets` has no records ends: pointing at `other` when it has
// records, else saying the sheet has only its titles.
std::string NoRecordsText(const SheetList& sheets, const std::optional<SheetRecords>& other);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_SHEET_CHOICE_H_
