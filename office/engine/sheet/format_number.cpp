// Numbers through digit placeholders: fixed decimals, separators, scaling, percent, scientific
// notation and fractions, the way the spreadsheet shows them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "office/engine/sheet/format_render.h"

namespace vexlo::engine::sheet {
namespace {

using Kind = FormatToken::Kind;
using Tokens = std::span<const FormatToken>;

// The spreadsheet keeps 15 significant digits: a number is rounded to them first, then to the
// places shown, half away from zero on the decimal digits (2.675 shows as 2.68).
struct Decimal {
  std::string whole;     // without leading zeros; "" for zero
  std::string fraction;  // exactly the places asked for
};

// The 15 significant digits of value >= 0 and the power of ten of the first one.
void SignificantDigits(double value, std::string& digits, int& exponent) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  digits.clear();
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  exponent = *p == 'e' ? std::atoi(p + 1) : 0;
}

Decimal RoundDecimal(double value, int places) {
  std::string digits;
  int exponent = 0;
  SignificantDigits(value, digits, exponent);
  const int point = exponent + 1;  // digits before the decimal point
  Decimal d;
  if (point <= 0) {
    d.fraction = std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= static_cast<int>(digits.size())) {
    d.whole = digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    d.whole = digits.substr(0, static_cast<size_t>(point));
    d.fraction = digits.substr(static_cast<size_t>(point));
  }
  const bool up = static_cast<int>(d.fraction.size()) > places &&
                  d.fraction[static_cast<size_t>(places)] >= '5';
  d.fraction.resize(static_cast<size_t>(places), '0');
  if (up) {
    std::string all = d.whole + d.fraction;
    int i = static_cast<int>(all.size()) - 1;
    for (; i >= 0 && all[static_cast<size_t>(i)] == '9'; --i) all[static_cast<size_t>(i)] = '0';
    if (i >= 0) {
      ++all[static_cast<size_t>(i)];
    } else {
      all.insert(all.begin(), '1');
    }
    d.whole = all.substr(0, all.size() - static_cast<size_t>(places));
    d.fraction = all.substr(all.size() - static_cast<size_t>(places));
  }
  const size_t first = d.whole.find_first_not_of('0');
  d.whole = first == std::string::npos ? "" : d.whole.substr(first);
  return d;
}

// What a placeholder shows where the number has no digit.
std::string Pad(const FormatToken& t) { return t.text == "0" ? "0" : t.text == "?" ? " " : ""; }

// Inserts thousands separators into the digits of a whole part (spaces of '?' do not count).
std::string Grouped(const std::string& digits) {
  std::string out;
  int seen = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    const bool digit = digits[i] >= '0' && digits[i] <= '9';
    if (digit && seen > 0 && seen % 3 == 0) out.insert(out.begin(), ',');
    out.insert(out.begin(), digits[i]);
    if (digit) ++seen;
  }
  return out;
}

bool HasDigitAfter(Tokens tokens, size_t i, size_t end) {
  for (size_t k = i + 1; k < end; ++k) {
    if (tokens[k].kind == Kind::kDigit) return true;
  }
  return false;
}

size_t FindKind(Tokens tokens, Kind kind) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == kind) return i;
  }
  return tokens.size();
}

// The part of a section made of placeholders, separators and literals, filled with `whole` and
// `fraction` (fraction has one digit per placeholder after the point).
std::string RenderFixed(Tokens tokens, const Decimal& d) {
  const size_t point = FindKind(tokens, Kind::kPoint);
  std::vector<size_t> whole_slots, fraction_slots;
  bool grouping = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::kDigit) (i < point ? whole_slots : fraction_slots).push_back(i);
    if (tokens[i].kind == Kind::kComma && i < point && HasDigitAfter(tokens, i, point) &&
        !whole_slots.empty()) {
      grouping = true;
    }
  }
  // The whole part's digits, right-aligned on its placeholders; extra digits go to the first.
  std::vector<std::string> slot_text(tokens.size());
  const size_t n = whole_slots.size();
  const size_t length = d.whole.size();
  for (size_t k = 0; k < n; ++k) {
    const size_t from_right = n - 1 - k;
    std::string text;
    if (k == 0 && length > n) text = d.whole.substr(0, length - n);
    text += from_right < length ? std::string(1, d.whole[length - 1 - from_right])
                                : Pad(tokens[whole_slots[k]]);
    slot_text[whole_slots[k]] = text;
  }
  // Trailing zeros of the fraction disappear under '#' and turn to spaces under '?'.
  size_t shown = fraction_slots.size();
  for (size_t k = 0; k < fraction_slots.size(); ++k) slot_text[fraction_slots[k]] = d.fraction.substr(k, 1);
  while (shown > 0 && d.fraction[shown - 1] == '0' && tokens[fraction_slots[shown - 1]].text != "0") {
    slot_text[fraction_slots[shown - 1]] = Pad(tokens[fraction_slots[shown - 1]]);
    --shown;
  }
  std::string out;
  std::string whole_run;  // with separators, the whole part's digits are grouped as one run
  for (size_t i = 0; i < tokens.size(); ++i) {
    const FormatToken& t = tokens[i];
    if (t.kind == Kind::kDigit) {
      if (grouping && i < point) {
        whole_run += slot_text[i];
        if (whole_slots.back() == i) out += Grouped(whole_run);
      } else {
        out += slot_text[i];
      }
    } else if (t.kind == Kind::kLiteral || t.kind == Kind::kPercent || t.kind == Kind::kPoint ||
               t.kind == Kind::kText || t.kind == Kind::kSlash) {
      out += t.text;
    }
  }
  return out;
}

// How many thousands the trailing commas divide by ("#,##0,," divides by a million).
int ScalingCommas(Tokens tokens) {
  int scale = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::kComma && !HasDigitAfter(tokens, i, tokens.size()) && i > 0 &&
        FindKind(tokens.subspan(0, i), Kind::kDigit) < i) {
      ++scale;
    }
  }
  return scale;
}

int DigitCount(Tokens tokens) {
  int count = 0;
  for (const FormatToken& t : tokens) count += t.kind == Kind::kDigit;
  return count;
}

std::string RenderScientific(Tokens tokens, size_t exp_at, double value) {
  const Tokens mantissa = tokens.subspan(0, exp_at);
  const Tokens exponent_part = tokens.subspan(exp_at + 1);
  const size_t point = FindKind(mantissa, Kind::kPoint);
  int whole_slots = 0, places = 0;
  bool hash = false;
  for (size_t i = 0; i < mantissa.size(); ++i) {
    if (mantissa[i].kind != Kind::kDigit) continue;
    if (i < point) {
      ++whole_slots;
      hash = hash || mantissa[i].text == "#";
    } else {
      ++places;
    }
  }
  whole_slots = std::max(whole_slots, 1);
  // "##0.0E+0" keeps the exponent a multiple of the whole places (engineering notation).
  const int step = hash && whole_slots > 1 ? whole_slots : 1;
  int exponent = 0;
  Decimal d;
  if (value != 0) {
    std::string digits;
    SignificantDigits(value, digits, exponent);
    exponent = step > 1 ? exponent - (((exponent % step) + step) % step) : exponent - (whole_slots - 1);
    d = RoundDecimal(value / std::pow(10.0, exponent), places);
    if (static_cast<int>(d.whole.size()) > (step > 1 ? step : whole_slots)) {
      exponent += step;
      d = RoundDecimal(value / std::pow(10.0, exponent), places);
    }
  } else {
    d = RoundDecimal(0, places);
  }
  std::string out = RenderFixed(mantissa, d);
  out += tokens[exp_at].text == "+" || exponent < 0 ? (exponent < 0 ? "E-" : "E+") : "E";
  std::string power = std::to_string(std::abs(exponent));
  const size_t wanted = static_cast<size_t>(std::max(DigitCount(exponent_part), 1));
  if (power.size() < wanted) power.insert(0, wanted - power.size(), '0');
  bool placed = false;
  for (const FormatToken& t : exponent_part) {
    if (t.kind == Kind::kDigit && !placed) {
      out += power;
      placed = true;
    } else if (t.kind == Kind::kLiteral || t.kind == Kind::kPercent || t.kind == Kind::kText) {
      out += t.text;
    }
  }
  return out;
}

// The closest fraction with a denominator below `limit`.
void BestFraction(double fraction, long limit, long& numerator, long& denominator) {
  numerator = 0;
  denominator = 1;
  double best = fraction;
  for (long den = 1; den <= limit && best > 0; ++den) {
    const long num = std::lround(fraction * static_cast<double>(den));
    const double error = std::fabs(fraction - static_cast<double>(num) / static_cast<double>(den));
    if (error < best - 1e-12) {
      best = error;
      numerator = num;
      denominator = den;
    }
  }
}

// Right-aligns a number's digits on a run of placeholders.
std::string IntoSlots(Tokens slots, const std::string& digits, bool left_align) {
  std::string out;
  const size_t n = slots.size();
  if (left_align) {
    out = digits;
    for (size_t k = digits.size(); k < n; ++k) out += Pad(slots[k]);
    return out;
  }
  if (digits.size() > n) out = digits.substr(0, digits.size() - n);
  for (size_t k = 0; k < n; ++k) {
    const size_t from_right = n - 1 - k;
    out += from_right < digits.size() ? std::string(1, digits[digits.size() - 1 - from_right])
                                      : Pad(slots[k]);
  }
  return out;
}

std::string RenderFraction(Tokens tokens, size_t slash, double value) {
  size_t numerator_start = slash;
  while (numerator_start > 0 && tokens[numerator_start - 1].kind == Kind::kDigit) --numerator_start;
  size_t whole_end = numerator_start;
  while (whole_end > 0 && tokens[whole_end - 1].kind != Kind::kDigit) --whole_end;
  const bool has_whole = whole_end > 0;
  size_t denominator_end = slash + 1;
  while (denominator_end < tokens.size() && tokens[denominator_end].kind == Kind::kDigit) {
    ++denominator_end;
  }
  long fixed_denominator = 0;
  if (denominator_end == slash + 1 && denominator_end < tokens.size() &&
      tokens[denominator_end].kind == Kind::kLiteral) {
    fixed_denominator = std::atol(tokens[denominator_end].text.c_str());
  }
  double whole = has_whole ? std::floor(value) : 0;
  const double part = value - whole;
  long numerator = 0, denominator = 1;
  if (fixed_denominator > 0) {
    denominator = fixed_denominator;
    numerator = std::lround(part * static_cast<double>(denominator));
  } else {
    const int places = std::min<int>(static_cast<int>(denominator_end - slash - 1), 5);
    BestFraction(part, static_cast<long>(std::pow(10, std::max(places, 1))) - 1, numerator,
                 denominator);
  }
  if (has_whole && numerator == denominator) {
    whole += 1;
    numerator = 0;
  }
  std::string out;
  for (size_t i = 0; i < whole_end; ++i) {
    if (tokens[i].kind == Kind::kLiteral || tokens[i].kind == Kind::kText) out += tokens[i].text;
    if (tokens[i].kind == Kind::kDigit && (i + 1 == whole_end || tokens[i + 1].kind != Kind::kDigit)) {
      size_t first = i;
      while (first > 0 && tokens[first - 1].kind == Kind::kDigit) --first;
      const std::string digits = whole == 0 ? (numerator == 0 ? "0" : "") : RoundDecimal(whole, 0).whole;
      out += IntoSlots(tokens.subspan(first, i + 1 - first), digits, false);
    }
  }
  std::string rest;
  for (size_t i = whole_end; i < numerator_start; ++i) rest += tokens[i].text;
  rest += IntoSlots(tokens.subspan(numerator_start, slash - numerator_start),
                    std::to_string(numerator), false);
  rest += "/";
  if (fixed_denominator > 0) {
    rest += tokens[denominator_end].text;
    ++denominator_end;
  } else {
    rest += IntoSlots(tokens.subspan(slash + 1, denominator_end - slash - 1),
                      std::to_string(denominator), true);
  }
  // A whole number under a format with a whole part shows blanks where the fraction would be.
  if (has_whole && numerator == 0) rest = std::string(rest.size(), ' ');
  out += rest;
  for (size_t i = denominator_end; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::kLiteral || tokens[i].kind == Kind::kText) out += tokens[i].text;
  }
  return out;
}

size_t FractionSlash(Tokens tokens) {
  for (size_t i = 1; i < tokens.size(); ++i) {
    if (tokens[i].kind == Kind::kSlash && tokens[i - 1].kind == Kind::kDigit) return i;
  }
  return tokens.size();
}

}  // namespace

std::string GeneralText(double value) {
  if (value == 0) return "0";
  if (value < 0) return "-" + GeneralText(-value);
  std::string digits;
  int exponent = 0;
  SignificantDigits(value, digits, exponent);
  if (exponent >= 11 || exponent <= -5) {
    Decimal m = RoundDecimal(value / std::pow(10.0, exponent), 5);
    if (m.whole.size() > 1) m = RoundDecimal(value / std::pow(10.0, ++exponent), 5);
    while (!m.fraction.empty() && m.fraction.back() == '0') m.fraction.pop_back();
    std::string power = std::to_string(std::abs(exponent));
    if (power.size() < 2) power.insert(0, "0");
    return m.whole + (m.fraction.empty() ? "" : "." + m.fraction) + (exponent < 0 ? "E-" : "E+") +
           power;
  }
  // Ten characters besides the point: the whole digits, the rest for decimals.
  const int whole_digits = std::max(exponent + 1, 1);
  Decimal d = RoundDecimal(value, std::max(10 - whole_digits, 0));
  while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.pop_back();
  return (d.whole.empty() ? "0" : d.whole) + (d.fraction.empty() ? "" : "." + d.fraction);
}

std::string RenderNumber(const FormatSection& section, double value) {
  Tokens tokens(section.tokens);
  for (const FormatToken& t : tokens) {
    if (t.kind == Kind::kPercent) value *= 100;
  }
  if (section.has_general) {
    std::string out;
    for (const FormatToken& t : tokens) {
      out += t.kind == Kind::kGeneral ? GeneralText(value)
             : t.kind == Kind::kDigit || t.kind == Kind::kComma ? "" : t.text;
    }
    return out;
  }
  if (const size_t exp_at = FindKind(tokens, Kind::kExponent); exp_at < tokens.size()) {
    return RenderScientific(tokens, exp_at, value);
  }
  if (const size_t slash = FractionSlash(tokens); slash < tokens.size()) {
    return RenderFraction(tokens, slash, value);
  }
  value /= std::pow(1000.0, ScalingCommas(tokens));
  int places = 0;
  const size_t point = FindKind(tokens, Kind::kPoint);
  for (size_t i = point; i < tokens.size(); ++i) places += tokens[i].kind == Kind::kDigit;
  return RenderFixed(tokens, RoundDecimal(value, places));
}

}  // namespace vexlo::engine::sheet
