#include "office/engine/sheet/cell_address.h"

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

std::optional<uint32_t> ParseColumnLetters(std::string_view text, size_t& consumed) {
  uint32_t column = 0;  // 1-based while accumulating
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = static_cast<char>(text[i] | 0x20);
    if (c < 'a' || c > 'z') break;
    column = column * 26 + static_cast<uint32_t>(c - 'a' + 1);
    if (column > kMaxColumns) return std::nullopt;
  }
  if (i == 0) return std::nullopt;
  consumed = i;
  return column - 1;
}

std::optional<CellRef> ParseCellRef(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  size_t letters = 0;
  const auto column = ParseColumnLetters(text.substr(i), letters);
  if (!column) return std::nullopt;
  i += letters;
  if (i < text.size() && text[i] == '$') ++i;
  if (i == text.size()) return std::nullopt;
  uint32_t row = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    row = row * 10 + static_cast<uint32_t>(c - '0');
    if (row > kMaxRows) return std::nullopt;
  }
  if (row == 0) return std::nullopt;
  return CellRef{row - 1, *column};
}

std::string ColumnName(uint32_t column) {
  std::string letters;
  for (uint32_t c = column + 1; c > 0; c = (c - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  }
  return letters;
}

std::string CellName(uint32_t row, uint32_t column) {
  return ColumnName(column) + std::to_string(row + 1);
}

}  // namespace vexlo::engine::sheet
