#include "office/engine/sheet/chinese_numerals.h"

#include <array>

namespace vexlo::engine::sheet {
namespace {

using Digits = std::array<std::string_view, 10>;

constexpr Digits kLowerDigits = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr Digits kUpperDigits = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
constexpr Digits kWideDigits = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr std::array<std::string_view, 4> kLowerUnits = {"", "十", "百", "千"};
constexpr std::array<std::string_view, 4> kUpperUnits = {"", "拾", "佰", "仟"};
constexpr std::array<std::string_view, 4> kGroupUnits = {"", "万", "亿", "万亿"};

const Digits& DigitsOf(int style) {
  return style == 2 ? kUpperDigits : style == 3 ? kWideDigits : kLowerDigits;
}

}  // namespace

std::string ChineseDigits(std::string_view digits, int style) {
  std::string out;
  for (char c : digits) out += DigitsOf(style)[c - '0'];
  return out;
}

std::string ChineseNumber(std::string_view digits, int style) {
  const Digits& names = DigitsOf(style);
  const auto& units = style == 2 ? kUpperUnits : kLowerUnits;
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  if (digits.empty() || digits == "0") return std::string(names[0]);
  if (digits.size() > 16) return ChineseDigits(digits, style);  // beyond 万亿: digits alone
  std::string out;
  bool zero_pending = false;
  for (size_t i = 0; i < digits.size(); ++i) {
    const size_t place = digits.size() - 1 - i;  // power of ten of this digit
    const int d = digits[i] - '0';
    if (d == 0) {
      zero_pending = !out.empty();
    } else {
      if (zero_pending) out += names[0];
      zero_pending = false;
      out += names[d];
      out += units[place % 4];
    }
    // The group unit follows a group of four that holds any digit.
    if (place % 4 == 0 && place > 0) {
      const size_t group_start = i >= 3 ? i - 3 : 0;
      if (digits.substr(group_start, i - group_start + 1).find_first_not_of('0') !=
          std::string_view::npos) {
        out += kGroupUnits[place / 4];
        zero_pending = false;  // zeros at the end of a group are not read before the next
      }
    }
  }
  // 十, 十一 … 十九 are said without the leading 一 in everyday numerals.
  const std::string leading_ten = std::string(names[1]) + std::string(units[1]);
  if (style != 2 && digits.size() % 4 == 2 && out.starts_with(leading_ten)) {
    out.erase(0, names[1].size());
  }
  return out;
}

std::string WithChineseNumerals(std::string_view shown, int style) {
  std::string out;
  bool after_point = false;
  for (size_t i = 0; i < shown.size();) {
    if (shown[i] < '0' || shown[i] > '9') {
      after_point = shown[i] == '.';
      out += shown[i++];
      continue;
    }
    size_t end = i;
    while (end < shown.size() && shown[end] >= '0' && shown[end] <= '9') ++end;
    const std::string_view run = shown.substr(i, end - i);
    out += after_point ? ChineseDigits(run, style) : ChineseNumber(run, style);
    i = end;
  }
  return out;
}

}  // namespace vexlo::engine::sheet
