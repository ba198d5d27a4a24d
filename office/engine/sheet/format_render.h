// The renderers behind the cell display formatter: one section of a number format applied to a
// number already chosen for it (made positive where the section shows no sign). Pure functions.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_FORMAT_RENDER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_FORMAT_RENDER_H_

#include <string>

#include "office/engine/sheet/format_sections.h"

namespace vexlo::engine::sheet {

// A number in the General format: at most 11 characters, scientific when it does not fit.
std::string GeneralText(double value);

// Digits, separators, percent, scaling, scientific, fractions and literals of `section`, for
// value >= 0.
std::string RenderNumber(const FormatSection& section, double value);

// The date and time parts of `section` for a value of the workbook, which `day_offset` (0, or
// 1462 for the 1904 date system) turns into a serial of the 1900 system.
std::string RenderDateTime(const FormatSection& section, double value, double day_offset);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_FORMAT_RENDER_H_
