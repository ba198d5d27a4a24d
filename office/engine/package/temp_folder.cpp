#include "office/engine/package/temp_folder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>

#include "office/engine/package/made_files.h"
#include "office/engine/package/process_identity.h"

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

constexpr std::string_view kKinds[] = {"word", "output", "office", "files", "oracle", "sheet"};
constexpr std::size_t kRandomChars = 6;  // the X's of mkdtemp
// The marker in each folder; the folder's maker as FormatIdentity writes it.
constexpr const char* kMarker = ".vexlo-owner";
constexpr off_t kMarkerMaxSize = 256;

bool OurKind(std::string_view kind) {
  for (std::string_view k : kKinds) {
    if (k == kind) return true;
  }
  return false;
}

// The process id in "vexlo-<kind>-<pid>-XXXXXX" with one of our kinds and mkdtemp's six letters
// or digits, or 0 for any other name.
pid_t NamedMaker(std::string_view name) {
  if (!name.starts_with("vexlo-") || name.size() < 6 + kRandomChars + 4) return 0;
  const std::string_view random = name.substr(name.size() - kRandomChars);
  if (random.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
      std::string_view::npos) {
    return 0;
  }
  std::string_view middle = name.substr(6, name.size() - 6 - kRandomChars);  // "<kind>-<pid>-"
  if (!middle.ends_with('-')) return 0;
  middle.remove_suffix(1);
  const std::size_t dash = middle.find('-');
  if (dash == std::string_view::npos || !OurKind(middle.substr(0, dash))) return 0;
  const std::string_view digits = middle.substr(dash + 1);
  if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  return static_cast<pid_t>(std::stol(std::string(digits)));
}

// The maker of `folder` when it is provably one of our folders (see the header), else nullopt.
std::optional<ProcessIdentity> MakerOf(const fs::path& folder) {
  const pid_t named = NamedMaker(folder.filename().string());
  if (named <= 0) return std::nullopt;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 07777) != 0700) {
    return std::nullopt;
  }
  const fs::path marker = folder / kMarker;
  if (::lstat(marker.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid() ||
      st.st_size > kMarkerMaxSize) {
    return std::nullopt;
  }
  std::ifstream in(marker, std::ios::binary);
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) return std::nullopt;
  std::optional<ProcessIdentity> maker = ParseIdentity(text);
  if (!maker || maker->pid != named) return std::nullopt;
  return maker;
}

// Writes the marker of a folder just made; false when it could not be written whole.
bool WriteMarker(const std::string& folder, const ProcessIdentity& me) {
  const std::string path = folder + "/" + kMarker;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  const std::string text = FormatIdentity(me);
  const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return ::close(fd) == 0 && whole;
}

// Removes our folders in `base` whose maker `gone` accepts, each with the files its list names.
template <typename Gone>
void RemoveFoldersOf(const std::string& base, Gone gone) {
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::optional<ProcessIdentity> maker = MakerOf(it->path());
    if (!maker || !gone(*maker)) continue;
    RemoveListedFiles(it->path(), maker->pid);
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
[[noreturn]] void Reap(int pipe_in, const ProcessIdentity& owner, const std::set<std::string>& bases) {
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
  // An ending process closes its files a moment before it counts as ended: wait for that.
  for (int wait = 0; StillRuns(owner); ++wait) {
    if (wait == 500) ::_exit(0);  // still there after 5 s: leave everything as it is
    ::usleep(10000);
  }
  for (const std::string& base : bases) {
    RemoveFoldersOf(base, [&owner](const ProcessIdentity& maker) { return maker == owner; });
  }
  ::_exit(0);
}

}  // namespace

void RemoveTempFoldersOfEndedProcesses() {
  for (const std::string& base : Bases()) RemoveFoldersOfEndedProcesses(base);
}

void StartTempFolderReaper() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  const std::set<std::string> bases = Bases();
  const ProcessIdentity owner = ThisProcess();
  const pid_t watcher = ::fork();
  if (watcher == 0) Reap(fds[0], owner, bases);
  ::close(fds[0]);
  // The write end stays open for the whole life of this process; the offices do not inherit it.
  if (watcher < 0) ::close(fds[1]);
}

void RemoveFoldersOfEndedProcesses(const std::string& base) {
  RemoveFoldersOf(base, [](const ProcessIdentity& maker) { return !StillRuns(maker); });
}

Result<std::string> MakePrivateTempFolder(std::string_view kind, TempSpeed speed) {
  return MakePrivateTempFolderIn(BaseFor(speed), kind);
}

Result<std::string> MakePrivateTempFolderIn(const std::string& base, std::string_view kind) {
  {
    // Never destroyed: an office's worker may make its folder while the program's statics go at
    // exit (the pools end only after some of them).
    static auto* mutex = new std::mutex;
    static auto* swept = new std::set<std::string>;
    std::lock_guard lock(*mutex);
    if (swept->insert(base).second) RemoveFoldersOfEndedProcesses(base);
  }
  if (!OurKind(kind)) return Status::Failed("临时文件夹的种类“" + std::string(kind) + "”不存在");
  std::string pattern = base + "/vexlo-" + std::string(kind) + "-" + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    return Status::File("无法在“" + base + "”中创建临时文件夹（错误 " + std::to_string(errno) + "）");
  }
  static const ProcessIdentity me = ThisProcess();
  const ProcessIdentity maker = me.pid == ::getpid() ? me : ThisProcess();  // after a fork
  // Without its marker (a full disk) the folder is still used, so that the first write into it
  // tells the user why; it is then never provably ours, and only this process removes it.
  if (!WriteMarker(pattern, maker)) ::unlink((pattern + "/" + kMarker).c_str());
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

Status CheckFolderWritable(const std::string& folder) {
  const std::string named = "临时文件夹“" + folder + "”";
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return Status::File("无法使用" + named);
  if ((fs.f_flag & ST_RDONLY) != 0) return Status::File(named + "所在的磁盘是只读的");
  if (static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < kRoomForAFile) {
    return Status::File(named + "所在的磁盘已满");
  }
  switch (const int error = ProbeWrite(folder)) {
    case 0: return Status::Ok();
    case ENOSPC:
    case EDQUOT: return Status::File(named + "所在的磁盘已满");
    case EROFS: return Status::File(named + "所在的磁盘是只读的");
    default: return Status::File("无法写入" + named + "（错误 " + std::to_string(error) + "）");
  }
}

}  // namespace vexlo::engine
