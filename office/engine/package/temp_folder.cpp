#include "office/engine/package/temp_folder.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace vexlo::engine {

namespace fs = std::filesystem;

namespace {

bool UsableFolder(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) && ::access(path, W_OK | X_OK) == 0;
}

// Memory folders can be small (a container's /dev/shm often holds 64 MB): one is used only with
// room to spare for the largest documents an office writes there.
constexpr unsigned long long kMemoryRoomNeeded = 512ULL << 20;

bool RoomyFolder(const char* path) {
  if (!UsableFolder(path)) return false;
  struct statvfs fs {};
  return ::statvfs(path, &fs) == 0 &&
         static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize >= kMemoryRoomNeeded;
}

std::string BaseFor(TempSpeed speed) {
  if (speed == TempSpeed::kMemory) {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); RoomyFolder(run)) return run;
    if (RoomyFolder("/dev/shm")) return "/dev/shm";
  }
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  return ec ? std::string("/tmp") : base.string();
}

// The process id in "vexlo-<kind>-<pid>-XXXXXX", or 0.
pid_t OwnerOf(const std::string& name) {
  if (name.rfind("vexlo-", 0) != 0) return 0;
  const std::size_t last = name.rfind('-');
  if (last == std::string::npos || last < 7) return 0;
  const std::size_t before = name.rfind('-', last - 1);
  if (before == std::string::npos || before < 5) return 0;
  const std::string digits = name.substr(before + 1, last - before - 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) return 0;
  return static_cast<pid_t>(std::stol(digits));
}

}  // namespace

void RemoveFoldersOfEndedProcesses(const std::string& base) {
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const pid_t pid = OwnerOf(name);
    if (pid <= 0 || pid == ::getpid()) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
    if (!ProcessEnded(pid)) continue;
    std::error_code rm;
    fs::remove_all(it->path(), rm);
  }
}

bool ProcessEnded(int pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

std::string MakePrivateTempFolder(std::string_view kind, TempSpeed speed) {
  return MakePrivateTempFolderIn(BaseFor(speed), kind);
}

std::string MakePrivateTempFolderIn(const std::string& base, std::string_view kind) {
  {
    static std::mutex mutex;
    static std::set<std::string> swept;
    std::lock_guard lock(mutex);
    if (swept.insert(base).second) RemoveFoldersOfEndedProcesses(base);
  }
  std::string pattern = base + "/vexlo-" + std::string(kind) + "-" + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

namespace {

// A probe file of this size must fit, and twice as much room must be left after a failed write,
// for the folder to count as writable.
constexpr std::size_t kProbeSize = 64 * 1024;
constexpr unsigned long long kRoomForAFile = 2 * kProbeSize;

// Writes and syncs a probe file of kProbeSize in `folder`; 0 or the errno of the failure.
int ProbeWrite(const std::string& folder) {
  std::string path = folder + "/probe-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return errno;
  const std::string block(kProbeSize, '\0');
  int error = 0;
  errno = 0;
  if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
    error = errno != 0 ? errno : ENOSPC;  // a short write: no room for the rest
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  ::close(fd);
  ::unlink(path.c_str());
  return error;
}

}  // namespace

std::string WriteFault(const std::string& folder) {
  const std::string named = "临时文件夹“" + folder + "”";
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return "无法使用" + named;
  if ((fs.f_flag & ST_RDONLY) != 0) return named + "所在的磁盘是只读的";
  if (static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < kRoomForAFile) {
    return named + "所在的磁盘已满";
  }
  switch (const int error = ProbeWrite(folder)) {
    case 0: return "";
    case ENOSPC:
    case EDQUOT: return named + "所在的磁盘已满";
    case EROFS: return named + "所在的磁盘是只读的";
    default: return "无法写入" + named + "（错误 " + std::to_string(error) + "）";
  }
}

}  // namespace vexlo::engine
