// Tells whether a cell's number format shows a date or time, so that the cell's number is handed
// out as a date. Shared by the .xlsx and .xls readers. Pure functions.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_NUMBER_FORMAT_H_
#define VEXLO_OFFICE_ENGINE_SHEET_NUMBER_FORMAT_H_

#include <cstdint>
#include <string_view>

namespace vexlo::engine::sheet {

// Built-in format numbers that are dates or times (including the ones East Asian locales use).
bool IsBuiltinDateFormat(uint32_t id);

// A format code such as "yyyy/m/d", "[$-804]yyyy\"年\"m\"月\"", "h:mm AM/PM" or "#,##0.00".
// Quoted text, escaped characters, colours and locale tags do not count.
bool IsDateFormatCode(std::string_view code);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_NUMBER_FORMAT_H_
