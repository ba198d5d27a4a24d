#include "app/event_guard.h"

#include <vector>

#include "app/gf_apperror.h"
#include "app/globals.h"
#include "app/post_queue_internal.h"
#include "app/runtime_error.h"

namespace vexlo::app {
namespace {

std::vector<EventName>& Running() {
  static std::vector<EventName> running;
  return running;
}

std::function<void()>& SystemErrorHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

const EventName* CurrentEvent() { return Running().empty() ? nullptr : &Running().back(); }

int GuardDepth() { return static_cast<int>(Running().size()); }

void SetSystemErrorHandler(std::function<void()> handler) {
  SystemErrorHandler() = std::move(handler);
}

void ReportRuntimeError(const RuntimeError& raised, const EventName& where) {
  RuntimeError copy = raised;
  copy.SetPlaceIfUnset(where.window, where.control, where.event);
  error.number = copy.number();
  error.text = copy.text();
  error.window = copy.window();
  error.control = copy.control();
  error.script = copy.script();
  error.line = copy.line();
  if (SystemErrorHandler()) {
    SystemErrorHandler()();
  } else {
    gf_apperror();
  }
}

void ReportException(std::exception_ptr exception, const EventName& where) {
  try {
    std::rethrow_exception(exception);
  } catch (const RuntimeError& e) {
    ReportRuntimeError(e, where);
  } catch (const std::bad_alloc&) {
    ReportRuntimeError(RuntimeError::Other("内存不足"), where);
  } catch (const std::exception& e) {
    ReportRuntimeError(RuntimeError::Other(std::string("程序内部错误：") + e.what()), where);
  } catch (...) {
    ReportRuntimeError(RuntimeError::Other("程序内部错误"), where);
  }
}

bool RunGuarded(const EventName& where, const std::function<void()>& handler) noexcept {
  Running().push_back(where);
  bool ok = true;
  try {
    handler();
  } catch (...) {
    ok = false;
    // The error is reported while the event is still "running", so that anything the report
    // posts waits for the handler to end like any other posted call.
    try {
      ReportException(std::current_exception(), where);
    } catch (...) {
      // A second failure inside the report itself is dropped rather than let through.
    }
  }
  Running().pop_back();
  if (Running().empty()) internal::OutermostHandlerReturned();
  return ok;
}

}  // namespace vexlo::app
