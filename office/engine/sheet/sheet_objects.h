// The objects below the spreadsheet application: an open workbook, its worksheets collection,
// a worksheet and a one-cell range. A range is made for every cell read, so it is a bare Dispatch
// with a fixed member list instead of an AutomationObject with its per-object member table.
// Formula cells the file holds without results are calculated before the first cell of their
// sheet is read (formula_results.h). UI thread only; every failed access raises a run-time error.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_

#include <memory>
#include <string>
#include <vector>

#include "office/automation_object.h"
#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine {
class OfficePool;
}  // namespace vexlo::engine

namespace vexlo::engine::sheet {

// A workbook opened by the application: its full path, its parsed content, the sheet that is
// active now and whether the missing formula results were calculated. Shared by its objects.
struct OpenWorkbook {
  OfficePool* pool = nullptr;  // calculates formulas stored without results (nullptr: none)
  std::string path;
  WorkbookData data;
  size_t active = 0;         // index into data.sheets
  bool calculated = false;  // missing formula results filled in (or none were missing)
};

// One cell of a worksheet: "value" (the raw value), "text" (what the cell shows through its
// number format, "" when empty) and "address", all read-only.
class Range : public office::Dispatch {
 public:
  Range(std::shared_ptr<OpenWorkbook> book, size_t sheet, uint32_t row, uint32_t column)
      : book_(std::move(book)), sheet_(sheet), row_(row), column_(column) {}

  std::string_view TypeName() const override { return "Range"; }
  office::Value Get(std::string_view member) override;
  void Set(std::string_view member, const office::Value& value) override;
  office::Value Call(std::string_view member, std::span<const office::Value> args) override;

 private:
  std::shared_ptr<OpenWorkbook> book_;
  size_t sheet_;
  uint32_t row_;
  uint32_t column_;
};

// A worksheet: "name", "index" (1-based), "activate()" (makes it the workbook's active sheet),
// "range(address)" for a single cell ("a1", "C17", "$B$2") and "usedrange" (the rectangle of its
// stored cells: row, column, rows.count, columns.count). A range of a sheet that could not be
// read raises the format error; one of a sheet with formulas stored without results has them
// calculated first.
class Worksheet : public office::AutomationObject {
 public:
  Worksheet(std::shared_ptr<OpenWorkbook> book, size_t sheet);

 private:
  void PrepareToRead();

  std::shared_ptr<OpenWorkbook> book_;
  size_t sheet_;
};

// "Worksheets": count and item(index or name); an index counts from 1, a name is matched
// without regard to case.
class Worksheets : public office::AutomationObject {
 public:
  explicit Worksheets(std::vector<std::shared_ptr<Worksheet>> sheets,
                      std::shared_ptr<const OpenWorkbook> book);

 private:
  office::Value Item(const office::Value& which) const;

  std::vector<std::shared_ptr<Worksheet>> sheets_;
  std::shared_ptr<const OpenWorkbook> book_;
};

// A workbook: "name", "fullname", "activesheet", "worksheets" and "close".
class Workbook : public office::AutomationObject {
 public:
  // `on_close` removes the workbook from the application's list.
  Workbook(std::shared_ptr<OpenWorkbook> book, std::function<void()> on_close);

  const std::shared_ptr<OpenWorkbook>& book() const { return book_; }
  office::Value ActiveSheet();

 private:
  std::shared_ptr<OpenWorkbook> book_;
  std::vector<std::shared_ptr<Worksheet>> sheets_;  // made once, handed out on every read
  std::shared_ptr<Worksheets> worksheets_;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_
