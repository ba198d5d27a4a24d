#include "app/host.h"

namespace vexlo::app {

std::string Host::FileOpenDialog(std::string_view, std::string_view, std::string_view,
                                 std::string_view) {
  return {};
}
bool Host::FolderDialog(std::string_view, std::string&) { return false; }
void Host::ShellOpenFolder(std::string_view) {}
void Host::KeepAlive(int, int) {}

}  // namespace vexlo::app
