// How the engine and its worker threads report failure: a function that can fail returns a
// Status (nothing to give back) or a Result<T> (a value, or the Status saying why there is none).
// The message is the Chinese text the user may see; the code says what kind of failure it is, so
// that a caller can tell a stop or a shortcut that does not apply from a fault. Only where a
// gateway call surfaces a failure as the program's error record does a Status become a
// RuntimeError (status_error.h). Header only, plain values, any thread.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_H_

#include <cassert>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vexlo::engine {

enum class StatusCode {
  kOk,
  kFailed,   // any other failure
  kFile,     // a file or folder cannot be found, read or written (a full or read-only disk too)
  kFormat,   // a file is not what it should be: incomplete, damaged, of another kind
  kOutput,   // storing, exporting or printing a document failed
  kRefused,  // a shortcut does not apply to this input; the caller takes the general way
  kStopped,  // not (fully) tried: the work was cancelled or the program is ending
};

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  Status(StatusCode code, std::string message) : code_(code), message_(std::move(message)) {}

  static Status Failed(std::string message) { return {StatusCode::kFailed, std::move(message)}; }
  static Status File(std::string message) { return {StatusCode::kFile, std::move(message)}; }
  static Status Format(std::string message) { return {StatusCode::kFormat, std::move(message)}; }
  static Status Output(std::string message) { return {StatusCode::kOutput, std::move(message)}; }
  static Status Refused(std::string message) { return {StatusCode::kRefused, std::move(message)}; }
  static Status Stopped(std::string message) { return {StatusCode::kStopped, std::move(message)}; }

  bool ok() const { return code_ == StatusCode::kOk; }
  bool stopped() const { return code_ == StatusCode::kStopped; }
  StatusCode code() const { return code_; }
  const std::string& message() const { return message_; }

  // The same failure told with `lead` in front ("无法转换“张伟.docx”：" + message); Ok stays Ok.
  Status Led(std::string_view lead) const {
    return ok() ? Ok() : Status(code_, std::string(lead) + message_);
  }

 private:
  Status() = default;

  StatusCode code_ = StatusCode::kOk;
  std::string message_;
};

// A value, or why there is none. Made from a T (success) or from a failed Status.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Status status) : status_(std::move(status)) { assert(!status_.ok()); }

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  const std::string& message() const { return status_.message(); }

  // Only on success.
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_ = Status::Ok();
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_STATUS_H_
