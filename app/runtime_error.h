// RuntimeError: the program's error record as an exception. It carries the six fields of the
// error record that the error handler logs and shows (number, text, window, control, event, line).
// Raised on the UI thread where a gateway call or a server's entry point must surface a failure;
// the engine's own functions and its worker threads report failure with a Status
// (office/engine/package/status.h), which status_error.h turns into one. Caught only by
// RunGuarded (event_guard.h), which routes it to the application's systemerror. Create it only
// through the named factories below.
#ifndef VEXLO_APP_RUNTIME_ERROR_H_
#define VEXLO_APP_RUNTIME_ERROR_H_

#include <cstdint>
#include <exception>
#include <source_location>
#include <string>
#include <string_view>

#include "app/error_numbers.h"

namespace vexlo::app {

class RuntimeError : public std::exception {
 public:
  using Where = std::source_location;

  // A reference through an object that does not exist. `what_object` names it.
  static RuntimeError NullObject(std::string_view what_object, Where where = Where::current());
  static RuntimeError DivideByZero(Where where = Where::current());
  static RuntimeError ArrayBounds(Where where = Where::current());
  // An automation call the server cannot take: unknown member, wrong arguments, no connection.
  static RuntimeError Automation(std::string text, Where where = Where::current());
  // A file that cannot be read or written; the text names the file and the problem.
  static RuntimeError File(std::string_view path, std::string_view problem,
                           Where where = Where::current());
  // A file whose content is not what its type promises (corrupt, encrypted, hostile).
  static RuntimeError Format(std::string_view path, std::string_view problem,
                             Where where = Where::current());
  // Saving, exporting or printing a result failed.
  static RuntimeError Output(std::string text, Where where = Where::current());
  // Anything else; also used for exceptions that are not RuntimeErrors.
  static RuntimeError Other(std::string text, Where where = Where::current());
  // A failure the engine reported as a status, with the number of its family (only through
  // office/engine/package/status_error.h, which maps the one to the other).
  static RuntimeError OfFamily(ErrorNumber number, std::string text, Where where = Where::current());

  int16_t number() const { return number_; }
  const std::string& text() const { return text_; }
  const std::string& window() const { return window_; }    // window or menu
  const std::string& control() const { return control_; }  // control (object)
  const std::string& script() const { return script_; }    // event or function
  int16_t line() const { return line_; }

  // Fills window, control and event where they are still empty (the guard knows them).
  void SetPlaceIfUnset(std::string_view window, std::string_view control,
                       std::string_view script);

  const char* what() const noexcept override { return text_.c_str(); }

 private:
  RuntimeError(int16_t number, std::string text, Where where);

  int16_t number_;
  std::string text_;
  std::string window_;
  std::string control_;
  std::string script_;
  int16_t line_;
};

}  // namespace vexlo::app

#endif  // VEXLO_APP_RUNTIME_ERROR_H_
