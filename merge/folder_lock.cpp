#include "merge/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace vexlo::merge {

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

FolderLock::Result FolderLock::Lock(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return Result::kNotLockable;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Result::kLocked;
  const bool busy = errno == EWOULDBLOCK;
  ::close(fd_);
  fd_ = -1;
  return busy ? Result::kBusy : Result::kNotLockable;
}

}  // namespace vexlo::merge
