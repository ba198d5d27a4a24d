#include "office/engine/sheet/text_table.h"

#include <filesystem>

#include "app/runtime_error.h"

namespace vexlo::engine::sheet {

TextTable::TextTable(std::string display_name) : display_name_(std::move(display_name)) {
  SheetData sheet;
  sheet.name = std::filesystem::path(display_name_).stem().string();
  if (sheet.name.empty()) sheet.name = "Sheet1";
  book_.sheets.push_back(std::move(sheet));
}

void TextTable::Add(uint32_t row, uint32_t column, std::string text) {
  if (text.empty()) return;
  if (row >= kMaxRows) throw app::RuntimeError::Format(display_name_, "的行数超过了1048576行");
  if (column >= kMaxColumns) throw app::RuntimeError::Format(display_name_, "的列数超过了16384列");
  auto& cells = book_.sheets[0].cells;
  if (cells.size() >= kMaxCells) throw app::RuntimeError::Format(display_name_, "的单元格过多，无法读取");
  Cell cell;
  cell.kind = Cell::Kind::kText;
  cell.text = book_.AddString(std::move(text));
  cells.Put(CellKey(row, column), cell);
}

}  // namespace vexlo::engine::sheet
