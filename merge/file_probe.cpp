#include "merge/file_probe.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace vexlo::merge {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Length of the UTF-8 character that starts with byte `lead`.
std::size_t CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// LibreOffice writes ".~lock.NAME#" beside an open file; Office writes "~$NAME", and for longer
// names "~$" in place of the first two characters.
bool LockFileBeside(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return false;
  if (Exists(dir + ".~lock." + name + "#")) return true;
  if (Exists(dir + "~$" + name)) return true;
  std::size_t skip = 0;
  for (int i = 0; i < 2 && skip < name.size(); ++i) skip += CharLength(name[skip]);
  return skip < name.size() && Exists(dir + "~$" + name.substr(skip));
}

// Whether another open file description holds a lock on `fd`'s file.
bool LockedElsewhere(int fd) {
  // Record locks (fcntl, both the classic and the open-file-description kind): ask whether a
  // whole-file write lock could be taken. F_OFD_GETLK needs no write access.
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;
  if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) return true;
  // Whole-file locks (flock): take an exclusive one for the life of the probe.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK || errno == EAGAIN;
  return false;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

long ProbeFile(const std::string& path) {
  if (LockFileBeside(path)) return -1;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  const bool held = LockedElsewhere(fd);
  ::close(fd);  // also drops the probe's own flock
  return held ? -1 : 1;
}

}  // namespace vexlo::merge
