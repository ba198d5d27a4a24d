#include "office/value.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/runtime_error.h"
#include "office/dispatch.h"

namespace vexlo::office {

using app::RuntimeError;

Value::Value(long n) : v_(static_cast<int32_t>(n)) {}

Value::Value(std::shared_ptr<Dispatch> object) {
  if (object) v_ = std::move(object);
}

namespace {

[[noreturn]] void NotAnObject(const Value& v, std::string_view member) {
  if (v.is_null()) throw RuntimeError::NullObject("访问“" + std::string(member) + "”时对象为空");
  throw RuntimeError::Automation("自动化调用失败：值不是对象，不能访问“" + std::string(member) +
                                 "”");
}

[[noreturn]] void Mismatch(std::string_view member, int index) {
  throw RuntimeError::Automation("自动化调用失败：“" + std::string(member) + "”的第 " +
                                 std::to_string(index) + " 个参数类型不匹配");
}

std::string FormatNumber(double d) {
  if (std::isnan(d)) return "#NUM!";
  if (std::isinf(d)) return d > 0 ? "#NUM!" : "-#NUM!";
  if (d == 0) return "0";  // also -0
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  std::string s = buf;
  // "1e+20" -> "1E+20", "1e-07" -> "1E-07": the usual spreadsheet spelling.
  if (auto e = s.find('e'); e != std::string::npos) s[e] = 'E';
  return s;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

std::string FormatDate(Date date) {
  if (!std::isfinite(date.serial) || std::fabs(date.serial) > 3.0e6) return FormatNumber(date.serial);
  const long long total = std::llround(date.serial * 86400.0);
  long long days = total / 86400;
  long long secs = total % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  char buf[64];
  if (days == 0) {
    // A time without a date (a cell formatted as a time): day 0 is no calendar day of its own,
    // so only the time of day is shown, as automation clients print such dates.
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
    return buf;
  }
  int y, m, d;
  CivilFromDays(days - 25569, y, m, d);  // 1899-12-30 is day -25569 of 1970
  if (secs == 0) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", y, m, d);
  } else {
    std::snprintf(buf, sizeof buf, "%d/%d/%d %lld:%02lld:%02lld", y, m, d, secs / 3600,
                  secs / 60 % 60, secs % 60);
  }
  return buf;
}

bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  if (*begin == '\0') return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

}  // namespace

Value Value::get(std::string_view member) const {
  if (!is_object()) NotAnObject(*this, member);
  return object()->Get(member);
}

void Value::set(std::string_view member, const Value& value) const {
  if (!is_object()) NotAnObject(*this, member);
  object()->Set(member, value);
}

Value Value::call(std::string_view member, std::initializer_list<Value> args) const {
  return call(member, std::span<const Value>(args.begin(), args.size()));
}

Value Value::call(std::string_view member, std::span<const Value> args) const {
  if (!is_object()) NotAnObject(*this, member);
  return object()->Call(member, args);
}

std::optional<std::string> ToText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNull:
      return std::nullopt;
    case Value::Kind::kText:
      return v.text();
    case Value::Kind::kBool:
      return v.boolean() ? "TRUE" : "FALSE";
    case Value::Kind::kLong:
      return std::to_string(v.long_value());
    case Value::Kind::kDouble:
      return FormatNumber(v.real());
    case Value::Kind::kDate:
      return FormatDate(v.date());
    case Value::Kind::kObject:
      break;
  }
  throw RuntimeError::Automation("自动化调用失败：对象不能转换为文本");
}

std::string ArgText(const Value& v, std::string_view member, int index) {
  if (v.is_null() || v.is_object()) Mismatch(member, index);
  return *ToText(v);
}

double ArgDouble(const Value& v, std::string_view member, int index) {
  switch (v.kind()) {
    case Value::Kind::kBool:
      return v.boolean() ? -1 : 0;
    case Value::Kind::kLong:
      return v.long_value();
    case Value::Kind::kDouble:
      return v.real();
    case Value::Kind::kDate:
      return v.date().serial;
    case Value::Kind::kText: {
      double d;
      if (ParseNumber(v.text(), d)) return d;
      break;
    }
    default:
      break;
  }
  Mismatch(member, index);
}

int32_t ArgLong(const Value& v, std::string_view member, int index) {
  if (v.kind() == Value::Kind::kLong) return v.long_value();
  const double d = std::nearbyint(ArgDouble(v, member, index));  // half to even
  if (!(d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max())) {
    throw RuntimeError::Automation("自动化调用失败：“" + std::string(member) + "”的第 " +
                                   std::to_string(index) + " 个参数超出范围");
  }
  return static_cast<int32_t>(d);
}

bool ArgBool(const Value& v, std::string_view member, int index) {
  if (v.kind() == Value::Kind::kBool) return v.boolean();
  if (v.kind() == Value::Kind::kText) {
    std::string t;
    for (char c : v.text()) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "true") return true;
    if (t == "false") return false;
  }
  return ArgDouble(v, member, index) != 0;
}

}  // namespace vexlo::office
