// The objects below the spreadsheet application: an open workbook, its active worksheet and a
// one-cell range. A range is made for every cell read, so it is a bare Dispatch with a fixed
// member list instead of an AutomationObject with its per-object member table.
// UI thread only; every failed access raises the automation run-time error.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_

#include <memory>
#include <string>

#include "office/automation_object.h"
#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// A workbook opened by the application: its full path and its parsed content.
struct OpenWorkbook {
  std::string path;
  WorkbookData data;
};

// One cell of a worksheet: "value" (the raw value), "text" (what the cell shows through its
// number format, "" when empty) and "address", all read-only.
class Range : public office::Dispatch {
 public:
  Range(std::shared_ptr<const OpenWorkbook> book, size_t sheet, uint32_t row, uint32_t column)
      : book_(std::move(book)), sheet_(sheet), row_(row), column_(column) {}

  std::string_view TypeName() const override { return "Range"; }
  office::Value Get(std::string_view member) override;
  void Set(std::string_view member, const office::Value& value) override;
  office::Value Call(std::string_view member, std::span<const office::Value> args) override;

 private:
  std::shared_ptr<const OpenWorkbook> book_;
  size_t sheet_;
  uint32_t row_;
  uint32_t column_;
};

// A worksheet: "name", "range(address)" for a single cell ("a1", "C17", "$B$2") and "usedrange"
// (the rectangle of its stored cells: row, column, rows.count, columns.count).
class Worksheet : public office::AutomationObject {
 public:
  Worksheet(std::shared_ptr<const OpenWorkbook> book, size_t sheet);

 private:
  std::shared_ptr<const OpenWorkbook> book_;
  size_t sheet_;
};

// A workbook: "name", "fullname", "activesheet" and "close".
class Workbook : public office::AutomationObject {
 public:
  // `on_close` removes the workbook from the application's list.
  Workbook(std::shared_ptr<const OpenWorkbook> book, std::function<void()> on_close);

  const std::shared_ptr<const OpenWorkbook>& book() const { return book_; }
  office::Value ActiveSheet();

 private:
  std::shared_ptr<const OpenWorkbook> book_;
  std::shared_ptr<Worksheet> active_;  // made once, handed out on every read
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_SHEET_OBJECTS_H_
