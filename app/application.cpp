#include "app/application.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "app/gf_apperror.h"
#include "app/install_paths.h"

namespace vexlo::app {

std::string CurrentDirectory() {
  std::vector<char> buf(PATH_MAX);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

Application::Application(AppState& state, Host& host, Clock clock,
                         std::function<void()> open_main_window)
    : state_(state),
      host_(host),
      clock_(std::move(clock)),
      open_main_window_(std::move(open_main_window)) {}

Application::~Application() { destroy(); }

void Application::create() {
  name_ = "vexlo";
  state_.error = ErrorRecord{};
  state_.message = MessageRecord{};
}

void Application::open(std::string_view /*commandline*/) {
  state_.as_currentpath = CurrentDirectory();
  state_.as_datapath = DataFolder();
  if (open_main_window_) open_main_window_();
}

void Application::systemerror() { gf_apperror(state_.error, host_, clock_); }

void Application::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  state_.error = ErrorRecord{};
  state_.message = MessageRecord{};
}

}  // namespace vexlo::app
