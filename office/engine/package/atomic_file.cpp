#include "office/engine/package/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <mutex>
#include <set>

#include "app/runtime_error.h"
#include "office/engine/package/temp_folder.h"

namespace vexlo::engine {

using app::RuntimeError;

namespace {

std::string Reason(int err) {
  switch (err) {
    case ENOENT: return "所在的文件夹不存在";
    case EACCES:
    case EPERM: return "没有写入权限";
    case ENOSPC: return "磁盘空间不足";
    case EROFS: return "所在的磁盘是只读的";
    case EISDIR: return "是一个文件夹";
    case ENAMETOOLONG: return "名称过长";
    default: return std::strerror(err);
  }
}

constexpr std::string_view kTempPrefix = ".vexlo-";
constexpr std::size_t kTempRandom = 6;  // the X's of mkstemp

// The process id in a temporary file's name ".vexlo-<pid>-XXXXXX", or 0.
long WriterOf(std::string_view name) {
  if (!name.starts_with(kTempPrefix) || name.size() < kTempPrefix.size() + 2 + kTempRandom) return 0;
  const std::size_t dash = name.size() - kTempRandom - 1;
  if (name[dash] != '-') return 0;
  const std::string_view digits = name.substr(kTempPrefix.size(), dash - kTempPrefix.size());
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  return std::stol(std::string(digits));
}

// The sweep of a folder, once per process: a folder written into again is rarely given new
// leftovers by another process in between.
void SweepOnce(const std::filesystem::path& dir) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    std::lock_guard lock(mutex);
    if (!swept.insert(dir.string()).second) return;
  }
  RemoveTempFilesOfEndedProcesses(dir.string());
}

// Opens a fresh temporary file beside `path`; returns its descriptor and fills `temp`.
int OpenTempBeside(const std::string& path, std::string& temp) {
  const std::filesystem::path p(path);
  std::filesystem::path dir = p.parent_path();
  if (dir.empty()) dir = ".";
  // A short name of its own: a temporary name built from a long file name could be too long
  // for the file system even though the file name itself is not.
  temp = (dir / (std::string(kTempPrefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
  if (p.filename().empty()) throw RuntimeError::File(path, "无法保存：不是有效的文件名");
  SweepOnce(dir);
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    const int err = errno;
    throw RuntimeError::File(path, "无法保存：" + Reason(err));
  }
  // Keep the mode of an existing target; otherwise the usual mode for new files.
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      close(fd);
      unlink(temp.c_str());
      throw RuntimeError::File(path, "无法保存：" + Reason(EISDIR));
    }
    fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  return fd;
}

void Commit(const std::string& temp, const std::string& path) {
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    unlink(temp.c_str());
    throw RuntimeError::File(path, "无法保存：" + Reason(err));
  }
}

}  // namespace

void RemoveTempFilesOfEndedProcesses(const std::string& folder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const long pid = WriterOf(it->path().filename().string());
    if (pid <= 0 || pid == ::getpid()) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) continue;
    if (ProcessEnded(pid)) ::unlink(it->path().c_str());
  }
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temp;
  const int fd = OpenTempBeside(path, temp);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      close(fd);
      unlink(temp.c_str());
      throw RuntimeError::File(path, "无法保存：" + Reason(err));
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0) {
    const int err = errno;
    unlink(temp.c_str());
    throw RuntimeError::File(path, "无法保存：" + Reason(err));
  }
  Commit(temp, path);
}

void ReplaceFileAtomically(const std::string& from, const std::string& path) {
  if (std::rename(from.c_str(), path.c_str()) == 0) return;
  if (errno != EXDEV) {
    const int err = errno;
    std::filesystem::remove(from);
    throw RuntimeError::File(path, "无法保存：" + Reason(err));
  }
  // Another file system: copy beside the target first, then rename.
  std::string temp;
  const int fd = OpenTempBeside(path, temp);
  close(fd);
  std::error_code ec;
  std::filesystem::copy_file(from, temp, std::filesystem::copy_options::overwrite_existing, ec);
  std::filesystem::remove(from);
  if (ec) {
    unlink(temp.c_str());
    throw RuntimeError::File(path, "无法保存：" + Reason(ec.value()));
  }
  Commit(temp, path);
}

}  // namespace vexlo::engine
