// Application: the application object vexlo, root of the program. Its events run in the order
// create, open, (main window runs), destroy; systemerror is raised for every run-time error that
// no handler caught. It has no window of its own: open asks `open_main_window` to open w_vexlo.
// UI thread only; main() makes one and gives it the state, the host and the clock it uses.
#ifndef VEXLO_APP_APPLICATION_H_
#define VEXLO_APP_APPLICATION_H_

#include <functional>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/host.h"

namespace vexlo::app {

class Application {
 public:
  // `open_main_window` opens the program's one main window (w_vexlo in the GUI).
  Application(AppState& state, Host& host, Clock clock,
              std::function<void()> open_main_window = {});
  ~Application();

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Names the application "vexlo" and resets the error and message records.
  void create();
  // Records the working directory in as_currentpath and the folder of the program's own files
  // in as_datapath, then opens the main window.
  // `commandline` is ignored.
  void open(std::string_view commandline);
  // Calls gf_apperror with the error record and ignores its result.
  void systemerror();
  // Runs once at exit.
  void destroy();

  const std::string& name() const { return name_; }

 private:
  AppState& state_;
  Host& host_;
  Clock clock_;
  std::function<void()> open_main_window_;
  std::string name_;
  bool destroyed_ = false;
};

// The process's current working directory, as the system reports it.
std::string CurrentDirectory();

}  // namespace vexlo::app

#endif  // VEXLO_APP_APPLICATION_H_
