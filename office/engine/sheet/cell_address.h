// Cell references such as "a1", "C17", "$AA$3" or "zz1000": column letters (either case, an
// optional "$" before letters and digits) followed by a 1-based row number. Pure functions.
// Convention: std::optional, nullopt for an address that names no cell.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CELL_ADDRESS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CELL_ADDRESS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

struct CellRef {
  uint32_t row = 0;     // 0-based
  uint32_t column = 0;  // 0-based
};

// Parses a whole single-cell reference inside the grid (kMaxRows x kMaxColumns); nullopt when
// `text` is anything else.
std::optional<CellRef> ParseCellRef(std::string_view text);

// Parses only the column letters at the start of `text`; `consumed` gets their count.
// nullopt when there are none or they lie beyond the grid.
std::optional<uint32_t> ParseColumnLetters(std::string_view text, size_t& consumed);

// The column letters of a 0-based column ("A", "Z", "AA") and the name of a cell ("C2").
std::string ColumnName(uint32_t column);
std::string CellName(uint32_t row, uint32_t column);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CELL_ADDRESS_H_
