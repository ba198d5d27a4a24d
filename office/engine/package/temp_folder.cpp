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
  const std::string base = BaseFor(speed);
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

}  // namespace vexlo::engine
