#include "ui/main/file_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace vexlo::ui {
namespace {

bool OfficeLockFileBeside(const std::filesystem::path& file) {
  std::error_code ec;
  const std::filesystem::path dir = file.parent_path();
  const std::string name = file.filename().string();
  if (std::filesystem::exists(dir / (".~lock." + name + "#"), ec)) return true;
  if (std::filesystem::exists(dir / ("~$" + name), ec)) return true;
  // Word shortens long names: the owner file replaces the first two characters.
  if (name.size() > 2 && std::filesystem::exists(dir / ("~$" + name.substr(2)), ec)) return true;
  return false;
}

}  // namespace

int ProbeExclusiveOpen(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  bool held = false;
  // A whole-file lock of another process, of either kind.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) held = true;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  if (!held && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) held = true;
  ::close(fd);
  if (held || OfficeLockFileBeside(path)) return -1;
  return 1;
}

}  // namespace vexlo::ui
