#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

uint32_t WorkbookData::AddString(std::string text) {
  strings.push_back(std::move(text));
  return static_cast<uint32_t>(strings.size() - 1);
}

double AutomationDateFromSerial(double serial) {
  // The spreadsheet calendar counts a 29 February 1900 that never was, so its first two months
  // lie one day off the automation calendar, which starts on 30 December 1899.
  return serial >= 1 && serial < 60 ? serial + 1 : serial;
}

office::Value WorkbookData::ValueAt(size_t sheet, uint32_t row, uint32_t column) const {
  if (sheet >= sheets.size()) return {};
  const auto& cells = sheets[sheet].cells;
  const auto it = cells.find(CellKey(row, column));
  if (it == cells.end()) return {};
  const Cell& c = it->second;
  switch (c.kind) {
    case Cell::Kind::kNumber:
      return office::Value(c.number);
    case Cell::Kind::kDate:
      return office::Value(office::Date{AutomationDateFromSerial(c.number)});
    case Cell::Kind::kBool:
      return office::Value(c.number != 0);
    case Cell::Kind::kText:
    case Cell::Kind::kError:
      return office::Value(strings[c.text]);
  }
  return {};
}

size_t ClampActiveSheet(size_t active, size_t sheet_count) {
  return active < sheet_count ? active : 0;
}

}  // namespace vexlo::engine::sheet
