#include "app/runtime_error.h"

#include <algorithm>
#include <limits>


namespace vexlo::app {

RuntimeError::RuntimeError(int16_t number, std::string text, Where where)
    : number_(number), text_(std::move(text)) {
  const auto line = std::min<uint_least32_t>(where.line(), std::numeric_limits<int16_t>::max());
  line_ = static_cast<int16_t>(line);
}

void RuntimeError::SetPlaceIfUnset(std::string_view window, std::string_view control,
                                   std::string_view script) {
  if (window_.empty() && control_.empty() && script_.empty()) {
    window_ = window;
    control_ = control;
    script_ = script;
  }
}

RuntimeError RuntimeError::NullObject(std::string_view what_object, Where where) {
  return RuntimeError(kErrNullObject, "空对象引用：" + std::string(what_object), where);
}

RuntimeError RuntimeError::DivideByZero(Where where) {
  return RuntimeError(kErrDivideByZero, "除数为零", where);
}

RuntimeError RuntimeError::ArrayBounds(Where where) {
  return RuntimeError(kErrArrayBounds, "数组越界", where);
}

RuntimeError RuntimeError::Automation(std::string text, Where where) {
  return RuntimeError(kErrAutomation, std::move(text), where);
}

RuntimeError RuntimeError::File(std::string_view path, std::string_view problem, Where where) {
  return RuntimeError(kErrFileAccess,
                      "文件“" + std::string(path) + "”" + std::string(problem), where);
}

RuntimeError RuntimeError::Format(std::string_view path, std::string_view problem, Where where) {
  return RuntimeError(kErrFileFormat,
                      "文件“" + std::string(path) + "”" + std::string(problem), where);
}

RuntimeError RuntimeError::Output(std::string text, Where where) {
  return RuntimeError(kErrOutput, std::move(text), where);
}

RuntimeError RuntimeError::Other(std::string text, Where where) {
  return RuntimeError(kErrOther, std::move(text), where);
}

RuntimeError RuntimeError::OfFamily(ErrorNumber number, std::string text, Where where) {
  return RuntimeError(number, std::move(text), where);
}

}  // namespace vexlo::app
