// WorkbookData: what one open workbook holds in memory once its file has been parsed: the
// worksheets with their non-empty cells, the active sheet and the workbook's text table.
// Filled by the .xlsx and .xls readers, read by the spreadsheet server. Plain data, no locking.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_DATA_H_
#define VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_DATA_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "office/engine/sheet/cell_store.h"
#include "office/engine/sheet/string_table.h"
#include "office/value.h"

namespace vexlo::engine::sheet {

// Grid limits of the largest format we read; cells outside are rejected as corrupt.
inline constexpr uint32_t kMaxRows = 1048576;
inline constexpr uint32_t kMaxColumns = 16384;
// Most cells one sheet may hold: a bound on memory (about 50 bytes a cell) for hostile files.
inline constexpr size_t kMaxCells = 10'000'000;

// A formula cell that the file stores without its result, as programs that write workbooks
// without calculating them do: the spreadsheet shows a value there, the file holds none.
struct UncalculatedCell {
  uint64_t key = 0;     // CellKey(row, column)
  uint16_t format = 0;  // the cell's number format, index into WorkbookData::formats
};

struct SheetData {
  std::string name;
  // Non-empty cells by CellKey(row, column), both 0-based; sealed once the sheet is read.
  CellStore cells;
  // Formula cells without a stored result, in the order the file lists them.
  std::vector<UncalculatedCell> uncalculated;
  // Why the cells of this sheet could not be read ("" when they were). Only a sheet other than
  // the active one is let off so: a damaged sheet nobody uses does not stop the workbook.
  std::string unreadable;
};

inline uint64_t CellKey(uint32_t row, uint32_t column) {
  return (static_cast<uint64_t>(row) << 16) | column;
}

struct WorkbookData {
  std::vector<SheetData> sheets;
  size_t active_sheet = 0;           // index into sheets
  StringTable strings;  // texts of text and error cells (UTF-8)
  std::vector<std::string> formats{"General"};  // the distinct number format codes of cells
  std::unordered_map<std::string, uint16_t> format_index;  // code -> index into formats
  bool date1904 = false;  // date serials of the file count from 1904 (stored ones from 1900)

  // Adds a text to the table and returns its index.
  uint32_t AddString(std::string text);
  // The index of a number format code, added when new; General once the table is full.
  uint16_t AddFormat(const std::string& code);
  // The stored cell, null when it is empty.
  const Cell* CellAt(size_t sheet, uint32_t row, uint32_t column) const;
  // The value of a cell as the gateway hands it out; empty cells give null.
  office::Value ValueAt(size_t sheet, uint32_t row, uint32_t column) const;
  // The text the cell shows through its number format; empty cells give null.
  office::Value TextAt(size_t sheet, uint32_t row, uint32_t column) const;
  // Whether some sheet holds formula cells without a stored result.
  bool HasUncalculated() const;
};

// A date serial of the workbook (1900 system) as an automation date: the two differ before
// 1 March 1900, where the workbook calendar counts a 29 February that never was.
double AutomationDateFromSerial(double serial);

// Sheet index to fall back to when a file names an active tab that does not exist.
size_t ClampActiveSheet(size_t active, size_t sheet_count);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_WORKBOOK_DATA_H_
