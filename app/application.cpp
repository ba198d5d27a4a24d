#include "app/application.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "app/event_guard.h"
#include "app/gf_apperror.h"
#include "app/globals.h"
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

Application::Application(std::function<void()> open_main_window)
    : open_main_window_(std::move(open_main_window)) {}

Application::~Application() { destroy(); }

void Application::create() {
  name_ = "vexlo";
  error = ErrorRecord{};
  message = MessageRecord{};
  SetSystemErrorHandler([this] { systemerror(); });
}

void Application::open(std::string_view /*commandline*/) {
  as_currentpath = CurrentDirectory();
  as_datapath = DataFolder();
  if (open_main_window_) open_main_window_();
}

void Application::systemerror() { gf_apperror(); }

void Application::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  SetSystemErrorHandler(nullptr);
  error = ErrorRecord{};
  message = MessageRecord{};
}

}  // namespace vexlo::app
