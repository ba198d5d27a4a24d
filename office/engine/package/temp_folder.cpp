#include "office/engine/package/temp_folder.h"

#include <fcntl.h>
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

// Removes our folders in `base` whose owning process `gone` accepts.
template <typename Gone>
void RemoveFoldersOf(const std::string& base, Gone gone) {
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const pid_t pid = OwnerOf(it->path().filename().string());
    if (pid <= 0 || pid == ::getpid()) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
    if (!gone(pid)) continue;
    std::error_code rm;
    fs::remove_all(it->path(), rm);
  }
}

// Both places folders are made.
std::set<std::string> Bases() {
  std::set<std::string> bases;
  for (TempSpeed speed : {TempSpeed::kDisk, TempSpeed::kMemory}) bases.insert(BaseFor(speed));
  return bases;
}

// The watcher's life: it waits until the write end of its pipe is closed, which happens only
// when the owner has ended (the programs it starts do not inherit it), then removes the owner's
// folders. It keeps no other file open (a pipe reading the owner's output would stay open) and
// ignores the signals a terminal sends to the whole process group.
[[noreturn]] void Reap(int pipe_in, pid_t owner, const std::set<std::string>& bases) {
  for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) ::signal(signal, SIG_IGN);
  if (pipe_in != 3) ::dup2(pipe_in, 3);
  ::close_range(4, ~0U, 0);
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
  if (null > 3) ::close(null);
  char byte;
  ssize_t got;
  do {
    got = ::read(3, &byte, 1);
  } while (got < 0 && errno == EINTR);
  if (got != 0) ::_exit(0);  // not the end of the owner: leave everything as it is
  for (const std::string& base : bases) RemoveFoldersOf(base, [owner](pid_t pid) { return pid == owner; });
  ::_exit(0);
}

}  // namespace

bool ProcessEnded(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RemoveTempFoldersOfEndedProcesses() {
  for (const std::string& base : Bases()) RemoveFoldersOfEndedProcesses(base);
}

void StartTempFolderReaper() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  const std::set<std::string> bases = Bases();
  const pid_t owner = ::getpid();
  const pid_t watcher = ::fork();
  if (watcher == 0) Reap(fds[0], owner, bases);
  ::close(fds[0]);
  // The write end stays open for the whole life of this process; the offices do not inherit it.
  if (watcher < 0) ::close(fds[1]);
}

void RemoveFoldersOfEndedProcesses(const std::string& base) {
  RemoveFoldersOf(base, [](pid_t pid) { return ProcessEnded(pid); });
}

std::string MakePrivateTempFolder(std::string_view kind, TempSpeed speed) {
  return MakePrivateTempFolderIn(BaseFor(speed), kind);
}

std::string MakePrivateTempFolderIn(const std::string& base, std::string_view kind) {
  {
    // Never destroyed: an office's worker may make its folder while the program's statics go at
    // exit (the pools end only after some of them).
    static auto* mutex = new std::mutex;
    static auto* swept = new std::set<std::string>;
    std::lock_guard lock(*mutex);
    if (swept->insert(base).second) RemoveFoldersOfEndedProcesses(base);
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
