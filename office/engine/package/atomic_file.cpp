#include "office/engine/package/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/package/made_files.h"

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

// Opens a fresh temporary file beside `path`; returns its descriptor and fills `temp`.
int OpenTempBeside(const std::string& path, std::string& temp) {
  const std::filesystem::path p(path);
  std::filesystem::path dir = p.parent_path();
  if (dir.empty()) dir = ".";
  // A short name of its own: a temporary name built from a long file name could be too long
  // for the file system even though the file name itself is not.
  temp = WriterTempTemplate(dir);
  if (p.filename().empty()) throw RuntimeError::File(path, "无法保存：不是有效的文件名");
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    const int err = errno;
    throw RuntimeError::File(path, "无法保存：" + Reason(err));
  }
  // Listed at once, so that the file goes should this process be killed before it is renamed.
  struct stat made {};
  if (::fstat(fd, &made) == 0) NoteMadeFile(temp, made.st_dev, made.st_ino);
  // Keep the mode of an existing target; otherwise the usual mode for new files.
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      close(fd);
      unlink(temp.c_str());
      ForgetMadeFile(temp);
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

// Strikes the temporary file off the list of made files once it is renamed or removed.
class ListedTemp {
 public:
  explicit ListedTemp(const std::string& temp) : temp_(temp) {}
  ~ListedTemp() { ForgetMadeFile(temp_); }
  ListedTemp(const ListedTemp&) = delete;
  ListedTemp& operator=(const ListedTemp&) = delete;

 private:
  const std::string& temp_;
};

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temp;
  const int fd = OpenTempBeside(path, temp);
  const ListedTemp listed(temp);
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
  const ListedTemp listed(temp);
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
