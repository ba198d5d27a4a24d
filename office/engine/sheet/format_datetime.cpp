// Dates and times through their parts (years, months, days, weekdays, hours, minutes, seconds,
// elapsed time, AM/PM and 上午/下午), in English names or, under a Chinese locale, Chinese ones.
#include <array>
#include <cmath>
#include <cstdint>

#include "office/engine/sheet/chinese_numerals.h"
#include "office/engine/sheet/format_render.h"

namespace vexlo::engine::sheet {
namespace {

using Kind = FormatToken::Kind;

constexpr std::array<std::string_view, 12> kMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kWeekdays = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 7> kChineseWeekdays = {"日", "一", "二", "三",
                                                              "四", "五", "六"};

struct Moment {
  int64_t year = 1900, month = 1, day = 0, weekday = 0;  // weekday 0 = Sunday
  int64_t hour = 0, minute = 0, second = 0;
  int64_t total_seconds = 0;  // from serial 0, for elapsed time
  std::string fraction;       // digits of the second's fraction asked for
};

// Civil date of a day count from 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

// The workbook calendar counts 29 February 1900, which never was; day 0 is "1900-01-00".
// `day_offset` turns the value into a serial of the 1900 system; elapsed time counts the value.
Moment MomentOf(double value, double day_offset, int places) {
  Moment m;
  const int64_t scale = static_cast<int64_t>(std::pow(10, places));
  const int64_t units = std::llround(value * 86400.0 * static_cast<double>(scale));
  m.total_seconds = units / scale;
  const int64_t days = m.total_seconds / 86400 + static_cast<int64_t>(day_offset);
  const int64_t in_day = m.total_seconds % 86400;
  m.hour = in_day / 3600;
  m.minute = in_day / 60 % 60;
  m.second = in_day % 60;
  if (places > 0) {
    m.fraction = std::to_string(units % scale);
    m.fraction.insert(0, static_cast<size_t>(places) - m.fraction.size(), '0');
  }
  m.weekday = (days + 6) % 7;
  if (days == 60) {
    m.month = 2, m.day = 29;
  } else if (days > 0) {
    // Day 1 is 1900-01-01; past the false leap day every count is one ahead.
    CivilFromDays(days - (days > 60 ? 25569 : 25568), m.year, m.month, m.day);
  }
  return m;
}

int SecondPlaces(const FormatSection& section) {
  for (const FormatToken& t : section.tokens) {
    if (t.kind == Kind::kDate && t.text[0] == '.') return static_cast<int>(t.text.size()) - 1;
  }
  return 0;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The kind letter of a date part ('y', 'm', 'd', 'h', 's', 'a' for AM/PM, '[' elapsed ...).
char PartLetter(const FormatToken& t) {
  const std::string& s = t.text;
  if (s.starts_with("上午") || (s.size() == 3 && s[1] == '/') || (s.size() == 5 && s[2] == '/')) {
    return 'p';
  }
  return Lower(t.text[0]);
}

// An "m" right after hours or right before seconds counts minutes.
bool IsMinute(const std::vector<FormatToken>& tokens, size_t at) {
  for (size_t i = at; i-- > 0;) {
    if (tokens[i].kind != Kind::kDate) continue;
    const char c = PartLetter(tokens[i]);
    if (c == 'h' || (c == '[' && tokens[i].text[1] == 'h')) return true;
    break;
  }
  for (size_t i = at + 1; i < tokens.size(); ++i) {
    if (tokens[i].kind != Kind::kDate) continue;
    const char c = PartLetter(tokens[i]);
    return c == 's' || (c == '[' && tokens[i].text[1] == 's');
  }
  return false;
}

class DateWriter {
 public:
  DateWriter(const FormatSection& section, const Moment& moment)
      : section_(section), m_(moment) {
    for (const FormatToken& t : section.tokens) {
      twelve_hour_ = twelve_hour_ || (t.kind == Kind::kDate && PartLetter(t) == 'p');
    }
  }

  std::string Write() {
    std::string out;
    for (size_t i = 0; i < section_.tokens.size(); ++i) {
      const FormatToken& t = section_.tokens[i];
      out += t.kind == Kind::kDate ? Part(t, i) : t.kind == Kind::kText ? "" : t.text;
    }
    return out;
  }

 private:
  std::string Number(int64_t n, size_t width) const {
    std::string digits = std::to_string(n);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return section_.numerals ? ChineseNumber(digits, section_.numerals) : digits;
  }

  std::string Year(size_t letters) const {
    std::string digits = std::to_string(letters <= 2 ? m_.year % 100 : m_.year);
    if (letters <= 2 && digits.size() < 2) digits = "0" + digits;
    return section_.numerals ? ChineseDigits(digits, section_.numerals) : digits;
  }

  std::string Month(size_t letters) const {
    if (letters <= 2) return Number(m_.month, letters);
    const std::string_view name = kMonths[static_cast<size_t>(m_.month - 1)];
    if (section_.chinese) {
      if (letters == 3) return std::to_string(m_.month) + "月";
      const std::string numeral = ChineseNumber(std::to_string(m_.month), 1);
      return letters == 4 ? numeral + "月" : numeral;
    }
    if (letters == 3) return std::string(name.substr(0, 3));
    return letters == 4 ? std::string(name) : std::string(name.substr(0, 1));
  }

  // ddd/dddd: English names, or 周一/星期一 under a Chinese locale; aaa/aaaa: 一/星期一.
  std::string Weekday(size_t letters, bool from_a) const {
    const auto day = static_cast<size_t>(m_.weekday);
    if (from_a || section_.chinese) {
      const std::string numeral(kChineseWeekdays[day]);
      if (letters > 3) return "星期" + numeral;
      return from_a ? numeral : "周" + numeral;
    }
    return letters == 3 ? std::string(kWeekdays[day].substr(0, 3)) : std::string(kWeekdays[day]);
  }

  std::string Part(const FormatToken& t, size_t at) {
    const std::string& s = t.text;
    const size_t n = s.size();
    switch (PartLetter(t)) {
      case 'y': return Year(n);
      case 'e': return Year(4);
      case 'g': return "";  // eras belong to calendars other than the Gregorian
      case 'd': return n <= 2 ? Number(m_.day, n) : Weekday(n, false);
      case 'a': return Weekday(n, true);
      case 'h': return Number(twelve_hour_ ? (m_.hour + 11) % 12 + 1 : m_.hour, n);
      case 's': return Number(m_.second, n);
      case 'm': return IsMinute(section_.tokens, at) ? Number(m_.minute, n) : Month(n);
      case '.': return s.substr(0, 1) + m_.fraction;
      case '[': {
        const int64_t elapsed = s[1] == 'h' ? m_.total_seconds / 3600
                                : s[1] == 'm' ? m_.total_seconds / 60
                                              : m_.total_seconds;
        return Number(elapsed, n - 2);
      }
      case 'p': return Meridiem(s);
      default: return s;
    }
  }

  std::string Meridiem(const std::string& s) const {
    const bool morning = m_.hour < 12;
    if (s.starts_with("上午") || section_.chinese) return morning ? "上午" : "下午";
    if (s.size() == 3) return std::string(1, morning ? s[0] : s[2]);  // A/P as written
    return morning ? (s[0] == 'a' ? "am" : "AM") : (s[3] == 'p' ? "pm" : "PM");
  }

  const FormatSection& section_;
  const Moment& m_;
  bool twelve_hour_ = false;
};

}  // namespace

std::string RenderDateTime(const FormatSection& section, double value, double day_offset) {
  const double serial = value + day_offset;
  if (value < 0 || serial >= 2958466) return GeneralText(value);  // no date shows it
  const Moment moment = MomentOf(value, day_offset, SecondPlaces(section));
  return DateWriter(section, moment).Write();
}

}  // namespace vexlo::engine::sheet
