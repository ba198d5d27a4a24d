#include "office/automation_object.h"

#include "app/runtime_error.h"

namespace vexlo::office {

using app::RuntimeError;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

const Value& Args::operator[](std::size_t i) const {
  static const Value kNull;
  return i < values_.size() ? values_[i] : kNull;
}

std::string Args::Text(std::size_t i) const { return ArgText((*this)[i], member_, int(i) + 1); }
int32_t Args::Long(std::size_t i) const { return ArgLong((*this)[i], member_, int(i) + 1); }
double Args::Double(std::size_t i) const { return ArgDouble((*this)[i], member_, int(i) + 1); }
bool Args::Bool(std::size_t i) const { return ArgBool((*this)[i], member_, int(i) + 1); }

std::string Args::Text(std::size_t i, std::string_view fallback) const {
  return has(i) ? Text(i) : std::string(fallback);
}
int32_t Args::Long(std::size_t i, int32_t fallback) const { return has(i) ? Long(i) : fallback; }
bool Args::Bool(std::size_t i, bool fallback) const { return has(i) ? Bool(i) : fallback; }

void AutomationObject::AddProperty(std::string_view name, Getter get, Setter set) {
  members_.push_back({Lower(name), std::move(get), std::move(set), nullptr, 0, 0});
}

void AutomationObject::AddMethod(std::string_view name, int min_args, int max_args, Body body) {
  members_.push_back({Lower(name), nullptr, nullptr, std::move(body), min_args, max_args});
}

const AutomationObject::Member* AutomationObject::Find(std::string_view member) const {
  const std::string key = Lower(member);
  for (const Member& m : members_) {
    if (m.name == key) return &m;
  }
  return nullptr;
}

void AutomationObject::Unknown(std::string_view member, std::string_view how) const {
  throw RuntimeError::Automation("自动化调用失败：“" + type_name_ + "”对象不支持“" +
                                 std::string(member) + "”（" + std::string(how) + " " +
                                 std::string(member) + "）");
}

Value AutomationObject::Get(std::string_view member) {
  const Member* m = Find(member);
  if (m == nullptr) Unknown(member, "读取属性");
  if (m->get) return m->get();
  if (m->min_args > 0) {
    throw RuntimeError::Automation("自动化调用失败：“" + type_name_ + "”的方法“" +
                                   std::string(member) + "”需要参数，不能作为属性读取");
  }
  return m->body(Args(member, {}));
}

void AutomationObject::Set(std::string_view member, const Value& value) {
  const Member* m = Find(member);
  if (m == nullptr) Unknown(member, "设置属性");
  if (!m->set) {
    throw RuntimeError::Automation("自动化调用失败：“" + type_name_ + "”的“" +
                                   std::string(member) + "”是只读的，不能设置");
  }
  m->set(value);
}

Value AutomationObject::Call(std::string_view member, std::span<const Value> args) {
  const Member* m = Find(member);
  if (m == nullptr) Unknown(member, "调用方法");
  if (m->get) {
    if (!args.empty()) {
      throw RuntimeError::Automation("自动化调用失败：“" + type_name_ + "”的属性“" +
                                     std::string(member) + "”不接受参数");
    }
    return m->get();
  }
  const int n = static_cast<int>(args.size());
  if (n < m->min_args || n > m->max_args) {
    std::string expected = m->min_args == m->max_args
                               ? std::to_string(m->min_args)
                               : std::to_string(m->min_args) + " 到 " + std::to_string(m->max_args);
    throw RuntimeError::Automation("自动化调用失败：“" + type_name_ + "”的方法“" +
                                   std::string(member) + "”需要 " + expected + " 个参数，实际传入 " +
                                   std::to_string(n) + " 个");
  }
  return m->body(Args(member, args));
}

}  // namespace vexlo::office
