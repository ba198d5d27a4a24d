#include "office/engine/sheet/format_sections.h"

#include <cstdlib>

namespace vexlo::engine::sheet {
namespace {

using Kind = FormatToken::Kind;

constexpr std::string_view kMorningAfternoon = "上午/下午";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) return false;
  }
  return true;
}

// Length of the UTF-8 character that starts with `lead`.
size_t CharLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// A locale identifier (hex, e.g. "804", "2000804") whose language is Chinese.
bool IsChineseLocale(std::string_view hex) {
  if (hex.empty()) return false;
  const unsigned long id = std::strtoul(std::string(hex).c_str(), nullptr, 16);
  return (id & 0x3FF) == 0x04;
}

void AddLiteral(FormatSection& section, std::string_view text) {
  if (!section.tokens.empty() && section.tokens.back().kind == Kind::kLiteral) {
    section.tokens.back().text += text;
  } else {
    section.tokens.push_back({Kind::kLiteral, std::string(text)});
  }
}

bool ParseCondition(std::string_view tag, FormatCondition& condition) {
  using Op = FormatCondition::Op;
  size_t op_length = 1;
  if (tag.starts_with("<=")) {
    condition.op = Op::kLessEqual, op_length = 2;
  } else if (tag.starts_with(">=")) {
    condition.op = Op::kGreaterEqual, op_length = 2;
  } else if (tag.starts_with("<>")) {
    condition.op = Op::kNotEqual, op_length = 2;
  } else if (tag.starts_with("<")) {
    condition.op = Op::kLess;
  } else if (tag.starts_with(">")) {
    condition.op = Op::kGreater;
  } else if (tag.starts_with("=")) {
    condition.op = Op::kEqual;
  } else {
    return false;
  }
  condition.operand = std::strtod(std::string(tag.substr(op_length)).c_str(), nullptr);
  return true;
}

// [h], [mm], [ss]: hours, minutes or seconds counted past a day.
bool IsElapsedTag(std::string_view tag) {
  if (tag.empty()) return false;
  const char first = Lower(tag[0]);
  if (first != 'h' && first != 'm' && first != 's') return false;
  for (char t : tag) {
    if (Lower(t) != first) return false;
  }
  return true;
}

// A bracketed tag: elapsed time, currency and locale, numerals, condition or colour.
void ParseTag(std::string_view tag, FormatSection& section) {
  if (IsElapsedTag(tag)) {
    std::string elapsed = "[";
    for (char t : tag) elapsed += Lower(t);
    section.tokens.push_back({Kind::kDate, elapsed + "]"});
    return;
  }
  if (tag.starts_with("$")) {
    const size_t dash = tag.find('-');
    AddLiteral(section, tag.substr(1, dash == std::string_view::npos ? tag.npos : dash - 1));
    if (dash != std::string_view::npos) {
      const std::string_view locale = tag.substr(dash + 1);
      section.chinese = section.chinese || IsChineseLocale(locale) || StartsWithNoCase(locale, "zh");
    }
    return;
  }
  if (StartsWithNoCase(tag, "dbnum") && tag.size() == 6 && tag[5] >= '1' && tag[5] <= '3') {
    section.numerals = tag[5] - '0';
    section.chinese = true;
    return;
  }
  ParseCondition(tag, section.condition);  // otherwise a colour, which text does not show
}

// The date part that starts at `at` ("yyyy", "mm", "AM/PM", "aaa", "e"); 0 when there is none.
size_t DatePartLength(std::string_view code, size_t at) {
  if (StartsWithNoCase(code.substr(at), "am/pm")) return 5;
  if (StartsWithNoCase(code.substr(at), "a/p")) return 3;
  if (code.substr(at).starts_with(kMorningAfternoon)) return kMorningAfternoon.size();
  const char c = Lower(code[at]);
  if (c != 'y' && c != 'm' && c != 'd' && c != 'h' && c != 's' && c != 'e' && c != 'g' &&
      c != 'a') {
    return 0;
  }
  size_t end = at;
  while (end < code.size() && Lower(code[end]) == c) ++end;
  if (c == 'a' && end - at < 3) return 0;  // "aaa"/"aaaa": the weekday in Chinese
  return end - at;
}

// Date sections keep '.', ',', '/' and digits as text, except the fraction of a second.
void SettleDateSection(FormatSection& section) {
  std::vector<FormatToken> settled;
  for (size_t i = 0; i < section.tokens.size(); ++i) {
    FormatToken& t = section.tokens[i];
    if (t.kind == Kind::kPoint && i + 1 < section.tokens.size() &&
        section.tokens[i + 1].kind == Kind::kDigit && section.tokens[i + 1].text == "0") {
      std::string fraction = ".";
      while (i + 1 < section.tokens.size() && section.tokens[i + 1].kind == Kind::kDigit &&
             section.tokens[i + 1].text == "0") {
        fraction += '0';
        ++i;
      }
      settled.push_back({Kind::kDate, fraction});
      continue;
    }
    if (t.kind != Kind::kDate && t.kind != Kind::kLiteral && t.kind != Kind::kText) {
      if (t.kind == Kind::kExponent) t.text = "E" + t.text;
      t.kind = Kind::kLiteral;
    }
    if (t.kind == Kind::kLiteral && !settled.empty() && settled.back().kind == Kind::kLiteral) {
      settled.back().text += t.text;
    } else {
      settled.push_back(std::move(t));
    }
  }
  section.tokens = std::move(settled);
}

FormatSection ParseSection(std::string_view code) {
  FormatSection section;
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    switch (c) {
      case '"': {
        size_t end = code.find('"', i + 1);
        if (end == std::string_view::npos) end = code.size();
        AddLiteral(section, code.substr(i + 1, end - i - 1));
        i = end;
        continue;
      }
      case '\\':
      case '_':
      case '*':
        if (i + 1 < code.size()) {
          const size_t length = CharLength(static_cast<unsigned char>(code[i + 1]));
          // A padding of one character's width shows as a space; a fill as nothing.
          if (c == '\\') AddLiteral(section, code.substr(i + 1, length));
          if (c == '_') AddLiteral(section, " ");
          i += length;
        }
        continue;
      case '[': {
        size_t end = code.find(']', i + 1);
        if (end == std::string_view::npos) end = code.size();
        ParseTag(code.substr(i + 1, end - i - 1), section);
        i = end;
        continue;
      }
      case '0':
      case '#':
      case '?':
        section.tokens.push_back({Kind::kDigit, std::string(1, c)});
        continue;
      case '.':
        section.tokens.push_back({Kind::kPoint, "."});
        continue;
      case ',':
        section.tokens.push_back({Kind::kComma, ","});
        continue;
      case '%':
        section.tokens.push_back({Kind::kPercent, "%"});
        continue;
      case '/':
        section.tokens.push_back({Kind::kSlash, "/"});
        continue;
      case '@':
        section.tokens.push_back({Kind::kText, "@"});
        section.has_text = true;
        continue;
      default:
        break;
    }
    if ((c == 'E' || c == 'e') && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-')) {
      section.tokens.push_back({Kind::kExponent, std::string(1, code[i + 1])});
      ++i;
      continue;
    }
    if (StartsWithNoCase(code.substr(i), "general")) {
      section.tokens.push_back({Kind::kGeneral, ""});
      section.has_general = true;
      i += 6;
      continue;
    }
    if (const size_t length = DatePartLength(code, i)) {
      section.tokens.push_back({Kind::kDate, std::string(code.substr(i, length))});
      section.is_date = true;
      i += length - 1;
      continue;
    }
    const size_t length = CharLength(static_cast<unsigned char>(c));
    AddLiteral(section, code.substr(i, length));
    i += length - 1;
  }
  for (const FormatToken& t : section.tokens) {
    if (t.kind == Kind::kDate) section.is_date = true;
  }
  if (section.is_date) SettleDateSection(section);
  return section;
}

}  // namespace

bool FormatCondition::Holds(double value) const {
  switch (op) {
    case Op::kNone: return true;
    case Op::kLess: return value < operand;
    case Op::kLessEqual: return value <= operand;
    case Op::kGreater: return value > operand;
    case Op::kGreaterEqual: return value >= operand;
    case Op::kEqual: return value == operand;
    case Op::kNotEqual: return value != operand;
  }
  return true;
}

std::vector<FormatSection> ParseFormatSections(std::string_view code) {
  std::vector<FormatSection> sections;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= code.size() && sections.size() < 4; ++i) {
    if (i < code.size()) {
      if (code[i] == '"') quoted = !quoted;
      if (quoted) continue;
      if (code[i] == '\\' || code[i] == '_' || code[i] == '*') {
        ++i;
        continue;
      }
      if (code[i] != ';') continue;
    }
    sections.push_back(ParseSection(code.substr(start, i - start)));
    start = i + 1;
  }
  if (sections.empty() || (sections.size() == 1 && sections[0].tokens.empty() &&
                           code.find_first_not_of(' ') == std::string_view::npos)) {
    sections.assign(1, FormatSection{});
    sections[0].tokens.push_back({Kind::kGeneral, ""});
    sections[0].has_general = true;
  }
  return sections;
}

}  // namespace vexlo::engine::sheet
