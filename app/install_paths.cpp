#include "app/install_paths.h"

#include <cstdlib>
#include <system_error>

namespace vexlo::app {
namespace {

bool HoldsOurFiles(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder / "resource", ec);
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return exe.parent_path();
}

std::filesystem::path FindDataFolder(const std::filesystem::path& exe_folder) {
  // Without the executable's folder nothing is looked up: a relative guess would be the current
  // folder again.
  if (exe_folder.empty()) return {};
  const std::filesystem::path candidates[] = {
      exe_folder.parent_path() / "share" / "vexlo",
      exe_folder,
  };
  for (const std::filesystem::path& candidate : candidates) {
    if (HoldsOurFiles(candidate)) return candidate;
  }
  return exe_folder;
}

std::string DataFolder() {
  std::string folder = FindDataFolder(ExecutableFolder()).lexically_normal().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::filesystem::path UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // XDG_DATA_HOME counts only when it is an absolute path; a relative one is ignored.
  if (xdg != nullptr && xdg[0] == '/') return std::filesystem::path(xdg) / "vexlo";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return std::filesystem::path(home) / ".local" / "share" / "vexlo";
  }
  return {};
}

}  // namespace vexlo::app
