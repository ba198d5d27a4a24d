#include "app/event_guard.h"

#include <new>

#include "app/runtime_error.h"

namespace vexlo::app {

Events::Events(ErrorRecord& error, std::function<void()> systemerror,
               std::function<void()> schedule_drain)
    : error_(error),
      systemerror_(std::move(systemerror)),
      schedule_drain_(std::move(schedule_drain)) {}

const EventName* Events::CurrentEvent() const {
  return running_.empty() ? nullptr : &running_.back();
}

void Events::ReportRuntimeError(const RuntimeError& raised, const EventName& where) {
  RuntimeError copy = raised;
  copy.SetPlaceIfUnset(where.window, where.control, where.event);
  error_.number = copy.number();
  error_.text = copy.text();
  error_.window = copy.window();
  error_.control = copy.control();
  error_.script = copy.script();
  error_.line = copy.line();
  if (systemerror_) systemerror_();
}

void Events::ReportException(std::exception_ptr exception, const EventName& where) {
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

bool Events::RunGuarded(const EventName& where, const std::function<void()>& handler) noexcept {
  running_.push_back(where);
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
  running_.pop_back();
  if (running_.empty()) ScheduleDrain();
  return ok;
}

}  // namespace vexlo::app
