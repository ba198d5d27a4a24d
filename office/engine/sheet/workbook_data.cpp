#include "office/engine/sheet/workbook_data.h"

#include "office/engine/sheet/cell_display.h"

namespace vexlo::engine::sheet {

uint32_t WorkbookData::AddString(std::string text) { return strings.Add(std::move(text)); }

uint16_t WorkbookData::AddFormat(const std::string& code) {
  if (const auto it = format_index.find(code); it != format_index.end()) return it->second;
  if (formats.size() > UINT16_MAX) return 0;
  const auto index = static_cast<uint16_t>(formats.size());
  formats.push_back(code);
  format_index.emplace(code, index);
  return index;
}

double AutomationDateFromSerial(double serial) {
  // The spreadsheet calendar counts a 29 February 1900 that never was, so its first two months
  // lie one day off the automation calendar, which starts on 30 December 1899.
  return serial >= 1 && serial < 60 ? serial + 1 : serial;
}

const Cell* WorkbookData::CellAt(size_t sheet, uint32_t row, uint32_t column) const {
  if (sheet >= sheets.size()) return nullptr;
  return sheets[sheet].cells.Find(CellKey(row, column));
}

office::Value WorkbookData::ValueAt(size_t sheet, uint32_t row, uint32_t column) const {
  const Cell* cell = CellAt(sheet, row, column);
  if (cell == nullptr) return {};
  const Cell& c = *cell;
  switch (c.kind) {
    case Cell::Kind::kNumber:
      return office::Value(c.number);
    case Cell::Kind::kDate:
      return office::Value(office::Date{AutomationDateFromSerial(c.number)});
    case Cell::Kind::kBool:
      return office::Value(c.number != 0);
    case Cell::Kind::kText:
    case Cell::Kind::kError:
      return office::Value(std::string(strings[c.text]));
  }
  return {};
}

office::Value WorkbookData::TextAt(size_t sheet, uint32_t row, uint32_t column) const {
  const Cell* cell = CellAt(sheet, row, column);
  if (cell == nullptr) return {};
  const Cell& c = *cell;
  const std::string& code = c.format < formats.size() ? formats[c.format] : formats[0];
  switch (c.kind) {
    case Cell::Kind::kNumber:
      return office::Value(ShownNumber(c.number, code, date1904));
    case Cell::Kind::kDate:
      // Stored in the 1900 system; the format sees the file's own serial.
      return office::Value(ShownNumber(date1904 ? c.number - 1462 : c.number, code, date1904));
    case Cell::Kind::kBool:
      return office::Value(c.number != 0 ? "TRUE" : "FALSE");
    case Cell::Kind::kText:
      return office::Value(ShownText(strings[c.text], code));
    case Cell::Kind::kError:
      return office::Value(std::string(strings[c.text]));
  }
  return {};
}

bool WorkbookData::HasUncalculated() const {
  for (const SheetData& sheet : sheets) {
    if (!sheet.uncalculated.empty()) return true;
  }
  return false;
}

size_t ClampActiveSheet(size_t active, size_t sheet_count) {
  return active < sheet_count ? active : 0;
}

}  // namespace vexlo::engine::sheet
