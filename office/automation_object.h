// AutomationObject: the base of every object a server exposes. A derived class lists its members
// once, in its constructor, as properties (getter, optional setter) and methods (argument count
// range, body); lookup, case folding, argument-count checks and the error texts live here.
// Property gets of methods and zero-argument calls of properties are allowed, as automation
// clients issue both forms.
#ifndef VEXLO_OFFICE_AUTOMATION_OBJECT_H_
#define VEXLO_OFFICE_AUTOMATION_OBJECT_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "office/dispatch.h"

namespace vexlo::office {

// The positional arguments of one method call, with coercions that report the member and the
// argument position on failure. Indexes are 0-based; missing optional arguments read as null.
class Args {
 public:
  Args(std::string_view member, std::span<const Value> values) : member_(member), values_(values) {}

  std::size_t size() const { return values_.size(); }
  bool has(std::size_t i) const { return i < values_.size() && !values_[i].is_null(); }
  const Value& operator[](std::size_t i) const;

  std::string Text(std::size_t i) const;
  int32_t Long(std::size_t i) const;
  double Double(std::size_t i) const;
  bool Bool(std::size_t i) const;
  // The same, with a default for an argument that was not passed (or passed as null).
  std::string Text(std::size_t i, std::string_view fallback) const;
  int32_t Long(std::size_t i, int32_t fallback) const;
  bool Bool(std::size_t i, bool fallback) const;

  std::string_view member() const { return member_; }

 private:
  std::string_view member_;
  std::span<const Value> values_;
};

class AutomationObject : public Dispatch {
 public:
  std::string_view TypeName() const override { return type_name_; }
  Value Get(std::string_view member) override;
  void Set(std::string_view member, const Value& value) override;
  Value Call(std::string_view member, std::span<const Value> args) override;

 protected:
  explicit AutomationObject(std::string type_name) : type_name_(std::move(type_name)) {}

  using Getter = std::function<Value()>;
  using Setter = std::function<void(const Value&)>;
  using Body = std::function<Value(const Args&)>;

  // Declares a property; without a setter it is read-only.
  void AddProperty(std::string_view name, Getter get, Setter set = nullptr);
  // Declares a method taking between `min_args` and `max_args` positional arguments.
  void AddMethod(std::string_view name, int min_args, int max_args, Body body);

 private:
  struct Member {
    std::string name;  // lower case
    Getter get;
    Setter set;
    Body body;
    int min_args = 0;
    int max_args = 0;
  };
  const Member* Find(std::string_view member) const;
  [[noreturn]] void Unknown(std::string_view member, std::string_view how) const;

  std::string type_name_;
  std::vector<Member> members_;
};

// ASCII lower case, for member names and ProgIDs.
std::string Lower(std::string_view s);

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_AUTOMATION_OBJECT_H_
