#include "app/host.h"

namespace vexlo::app {

std::string Host::Text(std::string_view) { return {}; }
void Host::SetText(std::string_view, std::string_view) {}
bool Host::Checked(std::string_view) { return false; }
void Host::SetChecked(std::string_view, bool) {}
void Host::SetEnabled(std::string_view, bool) {}
void Host::SetFocus(std::string_view) {}
std::string Host::FileOpenDialog(std::string_view, std::string_view, std::string_view,
                                 std::string_view) {
  return {};
}
bool Host::FolderDialog(std::string_view, std::string&) { return false; }
void Host::ShellOpenFolder(std::string_view) {}
void Host::KeepAlive(int, int) {}

}  // namespace vexlo::app
