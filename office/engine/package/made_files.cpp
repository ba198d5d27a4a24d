#include "office/engine/package/made_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string_view>

#include "office/engine/package/temp_folder.h"

namespace vexlo::engine {

namespace fs = std::filesystem;

namespace {

// The list's file in its private folder. Records end with a NUL (the one byte no path holds):
// "+<device> <inode> <path>" when a file is made (0 0: any inode), "-<path>" when it is gone.
constexpr const char* kListName = "made-files";
constexpr std::size_t kRandomChars = 6;  // the X's of mkstemp
constexpr std::size_t kPipeHexDigits = 32;

bool AllOf(std::string_view text, std::string_view allowed) {
  return text.find_first_not_of(allowed) == std::string_view::npos;
}

constexpr std::string_view kAlnum = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// `name` starts with `prefix` followed by the decimal `pid` and `after`; returns what follows.
bool TakeOwned(std::string_view& name, std::string_view prefix, pid_t pid, char after) {
  const std::string owned = std::string(prefix) + std::to_string(pid) + after;
  if (!name.starts_with(owned)) return false;
  name.remove_prefix(owned.size());
  return true;
}

// This process's list: opened on first use, in a private folder of its own. A child made by
// fork starts a list of its own rather than writing into its parent's.
class MadeList {
 public:
  void Append(const std::string& record) {
    std::lock_guard lock(mutex_);
    if (opener_ != ::getpid()) Open();
    if (fd_ < 0) return;
    // One write per record on a file opened for appending: records of two threads never mix.
    const ssize_t n = ::write(fd_, record.data(), record.size());
    (void)n;
  }

  // Does what the watcher would do once this process has ended; a later note starts a new list.
  void Close() {
    std::lock_guard lock(mutex_);
    if (opener_ != ::getpid() || fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    opener_ = 0;
    RemoveListedFiles(folder_, ::getpid());
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

 private:
  void Open() {
    if (fd_ >= 0) ::close(fd_);  // the parent's, inherited through fork
    fd_ = -1;
    opener_ = ::getpid();
    Result<std::string> folder = MakePrivateTempFolder("files");
    if (!folder.ok()) return;
    folder_ = std::move(folder).value();
    fd_ = ::open((folder_ + "/" + kListName).c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  }

  std::mutex mutex_;
  int fd_ = -1;
  pid_t opener_ = 0;    // the process that opened fd_
  std::string folder_;  // the list's private folder
};

MadeList& List() {
  // Never destroyed: writers may still note files while the program's statics go at exit.
  static auto* list = new MadeList;
  return *list;
}

struct Listed {
  dev_t device = 0;
  ino_t inode = 0;
};

// What the list at `path` still holds: the paths made and not struck off.
std::map<std::string, Listed> ReadList(const fs::path& path) {
  std::map<std::string, Listed> listed;
  std::ifstream in(path, std::ios::binary);
  std::string record;
  while (std::getline(in, record, '\0')) {
    if (record.starts_with('-')) {
      listed.erase(record.substr(1));
      continue;
    }
    if (!record.starts_with('+')) continue;
    std::istringstream fields(record.substr(1));
    unsigned long long device = 0, inode = 0;
    char space = 0;
    if (!(fields >> device >> inode) || !fields.get(space) || space != ' ') continue;
    std::string file;
    std::getline(fields, file, '\0');
    if (!file.empty()) listed[file] = {static_cast<dev_t>(device), static_cast<ino_t>(inode)};
  }
  return listed;
}

}  // namespace

std::string WriterTempTemplate(const fs::path& dir) {
  return (dir / (".vexlo-" + std::to_string(::getpid()) + "-XXXXXX")).string();
}

void NoteMadeFile(const std::string& path) { NoteMadeFile(path, 0, 0); }

void NoteMadeFile(const std::string& path, dev_t device, ino_t inode) {
  if (path.empty()) return;
  const std::string absolute = fs::absolute(path).lexically_normal().string();
  List().Append("+" + std::to_string(device) + " " + std::to_string(inode) + " " + absolute +
                '\0');
}

void ForgetMadeFile(const std::string& path) {
  if (path.empty()) return;
  List().Append("-" + fs::absolute(path).lexically_normal().string() + '\0');
}

bool IsMadeFileName(const std::string& file_name, pid_t pid) {
  if (pid <= 0) return false;
  std::string_view name = file_name;
  // The merged document: ".vexlo-merge-<pid>.<extension of up to 5 letters or digits>".
  if (std::string_view rest = name; TakeOwned(rest, ".vexlo-merge-", pid, '.')) {
    return !rest.empty() && rest.size() <= 5 && AllOf(rest, kAlnum);
  }
  // The writer's temporary file: ".vexlo-<pid>-" and exactly mkstemp's six characters.
  if (std::string_view rest = name; TakeOwned(rest, ".vexlo-", pid, '-')) {
    return rest.size() == kRandomChars && AllOf(rest, kAlnum);
  }
  // An office pipe's socket: "OSL_PIPE_<uid>_vexlo-<pid>-" and 32 lowercase hex digits.
  const std::string socket_prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_vexlo-";
  if (std::string_view rest = name; TakeOwned(rest, socket_prefix, pid, '-')) {
    return rest.size() == kPipeHexDigits && AllOf(rest, "0123456789abcdef");
  }
  return false;
}

void CloseMadeFilesList() { List().Close(); }

void RemoveListedFiles(const fs::path& folder, pid_t maker) {
  const fs::path list = folder / kListName;
  struct stat st {};
  if (::lstat(list.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) return;
  for (const auto& [path, made] : ReadList(list)) {
    const fs::path file(path);
    if (!file.is_absolute() || !IsMadeFileName(file.filename().string(), maker)) continue;
    struct stat now {};
    if (::lstat(file.c_str(), &now) != 0 || now.st_uid != ::getuid()) continue;
    const bool socket = file.filename().string().starts_with("OSL_PIPE_");
    if (socket ? !S_ISSOCK(now.st_mode) : !S_ISREG(now.st_mode)) continue;
    if (made.inode != 0 && (now.st_dev != made.device || now.st_ino != made.inode)) continue;
    ::unlink(file.c_str());
  }
}

}  // namespace vexlo::engine
