#include "office/engine/sheet/cell_display.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "office/engine/sheet/chinese_numerals.h"
#include "office/engine/sheet/format_render.h"
#include "office/engine/sheet/format_sections.h"

namespace vexlo::engine::sheet {
namespace {

// Days between the 1900 and the 1904 date systems.
constexpr double k1904Offset = 1462;

bool HasCondition(const FormatSection& s) { return s.condition.op != FormatCondition::Op::kNone; }

// A section meant for negative numbers by its condition ("[<0]") shows them without a sign.
bool ConditionTakesNegatives(const FormatCondition& c) {
  using Op = FormatCondition::Op;
  return (c.op == Op::kLess && c.operand <= 0) || (c.op == Op::kLessEqual && c.operand < 0);
}

struct Choice {
  const FormatSection* section = nullptr;
  bool signed_value = false;  // show a minus sign before a negative value
};

Choice ChooseSection(const std::vector<FormatSection>& sections, double value) {
  // Sections for numbers: a fourth section, or a lone text one, serves only texts.
  size_t count = sections.size() == 4 ? 3 : sections.size();
  if (HasCondition(sections[0]) || (count > 1 && HasCondition(sections[1]))) {
    for (size_t i = 0; i < count; ++i) {
      const FormatSection& s = sections[i];
      if (!HasCondition(s) || s.condition.Holds(value)) {
        return {&s, !(HasCondition(s) && ConditionTakesNegatives(s.condition))};
      }
    }
    return {&sections[count - 1], true};
  }
  if (value < 0 && count >= 2) return {&sections[1], false};
  if (value == 0 && count >= 3) return {&sections[2], false};
  return {&sections[0], true};
}

}  // namespace

std::string ShownNumber(double value, std::string_view code, bool date1904) {
  if (!std::isfinite(value)) return GeneralText(0);
  const std::vector<FormatSection> sections = ParseFormatSections(code);
  const Choice choice = ChooseSection(sections, value);
  const FormatSection& section = *choice.section;
  if (section.is_date) {
    // The minus of a negative date is never shown: no calendar day has one.
    return RenderDateTime(section, value, date1904 ? k1904Offset : 0);
  }
  std::string shown;
  if (section.has_text && !section.has_general &&
      std::none_of(section.tokens.begin(), section.tokens.end(),
                   [](const FormatToken& t) { return t.kind == FormatToken::Kind::kDigit; })) {
    shown = GeneralText(std::fabs(value));  // a text format shows the number in General
  } else {
    shown = RenderNumber(section, std::fabs(value));
  }
  if (section.numerals) shown = WithChineseNumerals(shown, section.numerals);
  return (value < 0 && choice.signed_value ? "-" : "") + shown;
}

std::string ShownText(std::string_view text, std::string_view code) {
  const std::vector<FormatSection> sections = ParseFormatSections(code);
  const FormatSection* section = nullptr;
  if (sections.size() == 4) {
    section = &sections[3];
  } else {
    for (const FormatSection& s : sections) {
      if (s.has_text) {
        section = &s;
        break;
      }
    }
  }
  if (section == nullptr) return std::string(text);
  std::string shown;
  for (const FormatToken& t : section->tokens) {
    if (t.kind == FormatToken::Kind::kText) {
      shown += text;
    } else if (t.kind == FormatToken::Kind::kLiteral) {
      shown += t.text;
    }
  }
  return shown;
}

std::string BuiltinFormatCode(uint32_t id) {
  static const std::vector<std::pair<uint32_t, const char*>> kCodes = {
      {1, "0"},
      {2, "0.00"},
      {3, "#,##0"},
      {4, "#,##0.00"},
      {5, "\"¥\"#,##0;\"¥\"\\-#,##0"},
      {6, "\"¥\"#,##0;[Red]\"¥\"\\-#,##0"},
      {7, "\"¥\"#,##0.00;\"¥\"\\-#,##0.00"},
      {8, "\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00"},
      {9, "0%"},
      {10, "0.00%"},
      {11, "0.00E+00"},
      {12, "# ?/?"},
      {13, "# ?\?/??"},
      {14, "yyyy/m/d"},
      {15, "d-mmm-yy"},
      {16, "d-mmm"},
      {17, "mmm-yy"},
      {18, "h:mm AM/PM"},
      {19, "h:mm:ss AM/PM"},
      {20, "h:mm"},
      {21, "h:mm:ss"},
      {22, "yyyy/m/d h:mm"},
      {27, "yyyy\"年\"m\"月\""},
      {28, "m\"月\"d\"日\""},
      {29, "m\"月\"d\"日\""},
      {30, "m-d-yy"},
      {31, "yyyy\"年\"m\"月\"d\"日\""},
      {32, "h\"时\"mm\"分\""},
      {33, "h\"时\"mm\"分\"ss\"秒\""},
      {34, "上午/下午h\"时\"mm\"分\""},
      {35, "上午/下午h\"时\"mm\"分\"ss\"秒\""},
      {36, "yyyy\"年\"m\"月\""},
      {37, "#,##0 ;(#,##0)"},
      {38, "#,##0 ;[Red](#,##0)"},
      {39, "#,##0.00;(#,##0.00)"},
      {40, "#,##0.00;[Red](#,##0.00)"},
      {41, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)"},
      {42, "_(\"¥\"* #,##0_);_(\"¥\"* \\(#,##0\\);_(\"¥\"* \"-\"_);_(@_)"},
      {43, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)"},
      {44, "_(\"¥\"* #,##0.00_);_(\"¥\"* \\(#,##0.00\\);_(\"¥\"* \"-\"??_);_(@_)"},
      {45, "mm:ss"},
      {46, "[h]:mm:ss"},
      {47, "mm:ss.0"},
      {48, "##0.0E+0"},
      {49, "@"},
      {50, "yyyy\"年\"m\"月\""},
      {51, "m\"月\"d\"日\""},
      {52, "yyyy\"年\"m\"月\""},
      {53, "m\"月\"d\"日\""},
      {54, "m\"月\"d\"日\""},
      {55, "上午/下午h\"时\"mm\"分\""},
      {56, "上午/下午h\"时\"mm\"分\"ss\"秒\""},
      {57, "yyyy\"年\"m\"月\""},
      {58, "m\"月\"d\"日\""},
  };
  for (const auto& [number, code] : kCodes) {
    if (number == id) return code;
  }
  return "General";
}

}  // namespace vexlo::engine::sheet
