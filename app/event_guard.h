// The dispatch boundary and the program's queue of posted calls, one object that main() owns.
// Every event handler, slot body and posted call runs inside RunGuarded, which catches whatever
// the handler throws, fills the error record and raises the application's systemerror. No
// exception ever leaves RunGuarded, so none crosses Qt's event loop.
// A posted call waits in the queue and runs, in posting order, once the event handling that is
// running has returned to the event loop: never inside a nested repaint loop of a long
// synchronous run. UI thread only.
#ifndef VEXLO_APP_EVENT_GUARD_H_
#define VEXLO_APP_EVENT_GUARD_H_

#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace vexlo::app {

class RuntimeError;

// The names of the running event: window (or menu), control, event or function.
// Example: {"w_vexlo", "uo_6", "ue_clicked"}.
struct EventName {
  std::string window;
  std::string control;
  std::string event;
};

// Where a failure goes that no caller can catch any more (a server let go of in a destructor,
// the end of the program): it is reported like one that left an event handler.
class FailureReport {
 public:
  virtual void ReportException(std::exception_ptr exception, const EventName& where) = 0;

 protected:
  ~FailureReport() = default;
};

class Events : public FailureReport {
 public:
  // `error` is filled in before `systemerror` runs. `schedule_drain` asks the event loop to call
  // DrainPosted soon (the window uses a zero-delay Qt timer); without one the owner of the loop
  // (CLI, tests) calls DrainPosted itself.
  Events(ErrorRecord& error, std::function<void()> systemerror,
         std::function<void()> schedule_drain = {});

  Events(const Events&) = delete;
  Events& operator=(const Events&) = delete;

  // Runs `handler` as the handler of `where`. Returns false when it ended in a run-time error
  // (already reported through systemerror by then).
  bool RunGuarded(const EventName& where, const std::function<void()>& handler) noexcept;

  // The innermost event that is running, or nullptr outside every handler.
  const EventName* CurrentEvent() const;
  // How many guarded handlers are running, nested. 0 means: back in the event loop.
  int GuardDepth() const { return static_cast<int>(running_.size()); }

  // Fills the error record from `error` (window, control and event default to `where`) and
  // raises systemerror. Used by RunGuarded and by the last-resort net in QApplication::notify.
  void ReportRuntimeError(const RuntimeError& error, const EventName& where);
  void ReportException(std::exception_ptr exception, const EventName& where) override;

  // Queues `call` to run as the event `where` after the current event handling.
  void Post(EventName where, std::function<void()> call);
  // Runs every waiting call in posting order, including calls posted meanwhile. Does nothing
  // while a guarded handler is running: the queue is drained again when the outermost one
  // returns.
  void DrainPosted();
  std::size_t PostedCount() const { return posted_.size(); }
  // Drops every waiting call; for program end.
  void ClearPosted() { posted_.clear(); }

 private:
  struct PostedCall {
    EventName where;
    std::function<void()> call;
  };

  void ScheduleDrain();

  ErrorRecord& error_;
  std::function<void()> systemerror_;
  std::function<void()> schedule_drain_;
  std::vector<EventName> running_;
  std::deque<PostedCall> posted_;
  bool drain_scheduled_ = false;
};

}  // namespace vexlo::app

#endif  // VEXLO_APP_EVENT_GUARD_H_
