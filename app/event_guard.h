// The dispatch boundary. Every event handler, slot body and posted call runs inside RunGuarded,
// which catches whatever the handler throws, fills the process-wide error record and raises the
// application's systemerror. No exception ever leaves RunGuarded, so none crosses Qt's event loop.
// UI thread only.
#ifndef VEXLO_APP_EVENT_GUARD_H_
#define VEXLO_APP_EVENT_GUARD_H_

#include <exception>
#include <functional>
#include <string>

namespace vexlo::app {

class RuntimeError;

// The names of the running event: window (or menu), control, event or function.
// Example: {"w_vexlo", "uo_6", "ue_clicked"}.
struct EventName {
  std::string window;
  std::string control;
  std::string event;
};

// Runs `handler` as the handler of `where`. Returns false when it ended in a run-time error
// (already reported through systemerror by then).
bool RunGuarded(const EventName& where, const std::function<void()>& handler) noexcept;

// The innermost event that is running, or nullptr outside every handler.
const EventName* CurrentEvent();

// How many guarded handlers are running, nested. 0 means: back in the event loop.
int GuardDepth();

// Who hears about run-time errors. The application object installs its systemerror here;
// until then errors go straight to gf_apperror.
void SetSystemErrorHandler(std::function<void()> handler);

// Fills the error record from `error` (window, control and event default to `where`) and raises
// systemerror. Used by RunGuarded and by the last-resort net in QApplication::notify.
void ReportRuntimeError(const RuntimeError& error, const EventName& where);
void ReportException(std::exception_ptr exception, const EventName& where);

}  // namespace vexlo::app

#endif  // VEXLO_APP_EVENT_GUARD_H_
