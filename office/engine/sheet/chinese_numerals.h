// Chinese numerals for number formats that ask for them ([DBNum1] 一千二百三十四, [DBNum2]
// 壹仟贰佰叁拾肆 as on cheques and invoices, [DBNum3] full-width digits with units). Pure functions.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CHINESE_NUMERALS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CHINESE_NUMERALS_H_

#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// A whole number given by its decimal digits ("1001"), read out with units: 一千〇一.
// `style` is 1, 2 or 3.
std::string ChineseNumber(std::string_view digits, int style);

// Each digit on its own ("2026" -> 二〇二六), as years and decimals are written.
std::string ChineseDigits(std::string_view digits, int style);

// A formatted text with every run of digits turned into numerals: whole parts read out with
// units, the digits after a decimal point one by one.
std::string WithChineseNumerals(std::string_view shown, int style);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CHINESE_NUMERALS_H_
