// The text a cell shows in the spreadsheet: its value through its number format (sections and
// conditions, digits and separators, percent, currency, fractions, scientific notation, dates and
// times, Chinese numerals). The raw value stays what the merge writes by default; this text is
// what it writes when asked for the values as shown. Pure functions.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CELL_DISPLAY_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CELL_DISPLAY_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// A number as stored in the workbook (a date is a serial of the workbook's own date system:
// `date1904` says it counts from 1904) shown through `code`.
std::string ShownNumber(double value, std::string_view code, bool date1904 = false);

// A text cell shown through `code`: its text section, if any, else the text as it is.
std::string ShownText(std::string_view text, std::string_view code);

// The code of a built-in format number as a Chinese-locale workbook shows it ("0.00%" for 10,
// "yyyy\"年\"m\"月\"" for 27); General for a number that has none.
std::string BuiltinFormatCode(uint32_t id);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CELL_DISPLAY_H_
