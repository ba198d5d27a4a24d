// Value: what crosses the automation gateway. Null, text (UTF-8), boolean, 32-bit long, double,
// date, or an automation object. A value holding an object can be used like the handle itself:
// get, set and call by member name. Copying a value shares the object.
#ifndef VEXLO_OFFICE_VALUE_H_
#define VEXLO_OFFICE_VALUE_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace vexlo::office {

class Dispatch;

// An automation date: days since 1899-12-30, the fraction being the time of day.
struct Date {
  double serial = 0;
  bool operator==(const Date&) const = default;
};

class Value {
 public:
  enum class Kind { kNull, kText, kBool, kLong, kDouble, kDate, kObject };

  Value() = default;  // null
  Value(std::nullptr_t) {}
  Value(const char* text) : v_(std::string(text)) {}
  Value(std::string text) : v_(std::move(text)) {}
  Value(std::string_view text) : v_(std::string(text)) {}
  Value(bool b) : v_(b) {}
  Value(int32_t n) : v_(n) {}
  Value(long n);  // REQUIRES: fits in 32 bits
  Value(double d) : v_(d) {}
  Value(Date d) : v_(d) {}
  Value(std::shared_ptr<Dispatch> object);

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool is_null() const { return kind() == Kind::kNull; }
  bool is_object() const { return kind() == Kind::kObject; }

  // The stored alternative; REQUIRES: kind() matches.
  const std::string& text() const { return std::get<std::string>(v_); }
  bool boolean() const { return std::get<bool>(v_); }
  int32_t long_value() const { return std::get<int32_t>(v_); }
  double real() const { return std::get<double>(v_); }
  Date date() const { return std::get<Date>(v_); }
  const std::shared_ptr<Dispatch>& object() const { return std::get<std::shared_ptr<Dispatch>>(v_); }

  // Automation through the object held. A value that holds no object raises the run-time error
  // (a null reference for null, an automation error otherwise).
  Value get(std::string_view member) const;
  void set(std::string_view member, const Value& value) const;
  Value call(std::string_view member, std::initializer_list<Value> args = {}) const;
  Value call(std::string_view member, std::span<const Value> args) const;

  bool operator==(const Value& other) const = default;

 private:
  std::variant<std::monostate, std::string, bool, int32_t, double, Date, std::shared_ptr<Dispatch>>
      v_;
};

// The general value-to-text conversion that every reader of a value uses. Null gives nullopt.
// Numbers: the shortest text at 15 significant digits (12.5, 3, 19.99; 0.1+0.2 gives 0.3), never a
// display format. Dates: "yyyy/m/d", with " h:mm:ss" added when there is a time of day; a time
// without a date (day 0, a time-formatted cell) is "h:mm:ss" alone.
// Booleans: "TRUE" / "FALSE". Text: as stored. An object raises the automation run-time error.
std::optional<std::string> ToText(const Value& value);

// Coercions used for automation arguments, with the usual automation rules: numbers and numeric
// text convert to each other (doubles round half to even), true is -1, non-zero is true. A value
// that cannot be converted raises the automation run-time error naming `member` and the
// argument's position `index` (1-based).
std::string ArgText(const Value& value, std::string_view member, int index);
int32_t ArgLong(const Value& value, std::string_view member, int index);
double ArgDouble(const Value& value, std::string_view member, int index);
bool ArgBool(const Value& value, std::string_view member, int index);

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_VALUE_H_
