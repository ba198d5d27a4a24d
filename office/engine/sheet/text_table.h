// Builds the one sheet of a data file read as text (CSV, a web page's table): cells are added row
// by row as texts, empty ones skipped, within the grid and cell limits of the other readers.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_TEXT_TABLE_H_
#define VEXLO_OFFICE_ENGINE_SHEET_TEXT_TABLE_H_

#include <string>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

class TextTable {
 public:
  // `display_name` names the file in errors and gives the sheet its name.
  explicit TextTable(std::string display_name);

  // Raises app::RuntimeError::Format when the cell lies outside the grid or the sheet is full.
  void Add(uint32_t row, uint32_t column, std::string text);
  // The workbook; true when at least one cell was added.
  bool empty() const { return book_.sheets[0].cells.empty(); }
  WorkbookData Take() {
    book_.sheets[0].cells.Seal();
    return std::move(book_);
  }

 private:
  std::string display_name_;
  WorkbookData book_;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_TEXT_TABLE_H_
