// A cell number format code ("#,##0.00;[红色]-#,##0.00", "yyyy\"年\"m\"月\"", "[DBNum2]General")
// taken apart into its sections and each section into tokens, for the cell display formatter.
// Pure functions.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_FORMAT_SECTIONS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_FORMAT_SECTIONS_H_

#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine::sheet {

struct FormatToken {
  enum class Kind {
    kLiteral,   // text shown as it is (quoted, escaped, currency tag, padding)
    kDigit,     // 0 # ?  (text holds the character)
    kPoint,     // .
    kComma,     // , thousands separator or scaling
    kPercent,   // %
    kExponent,  // E+ E- (text holds the sign character)
    kSlash,     // /
    kText,      // @
    kGeneral,   // General
    kDate,      // a date or time part: "yyyy", "m", "[h]", "AM/PM", "aaaa", ".00" ...
  };
  Kind kind;
  std::string text;
};

// How a section compares the value before it is chosen ("[>=1000]").
struct FormatCondition {
  enum class Op { kNone, kLess, kLessEqual, kGreater, kGreaterEqual, kEqual, kNotEqual };
  Op op = Op::kNone;
  double operand = 0;
  bool Holds(double value) const;
};

struct FormatSection {
  std::vector<FormatToken> tokens;
  FormatCondition condition;
  int numerals = 0;      // [DBNum1..3]: Chinese numerals of that style; 0 for digits
  bool chinese = false;  // a Chinese locale tag ([$-804], [$-zh-CN] ...): Chinese names
  bool is_date = false;  // holds a date or time part
  bool has_text = false;
  bool has_general = false;
};

// The sections of a code, at most four; an empty code gives one General section.
std::vector<FormatSection> ParseFormatSections(std::string_view code);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_FORMAT_SECTIONS_H_
