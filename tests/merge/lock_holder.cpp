#include "tests/merge/lock_holder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace vexlo::test {

LockHolder::LockHolder(const std::string& path, Kind kind) {
  int ready[2];
  if (::pipe(ready) != 0) throw std::runtime_error("pipe");
  child_ = ::fork();
  if (child_ < 0) throw std::runtime_error("fork");
  if (child_ == 0) {
    // Only async-signal-safe calls from here on.
    ::close(ready[0]);
    const int fd = ::open(path.c_str(), O_RDWR);
    bool locked = false;
    if (fd >= 0) {
      if (kind == Kind::kFlock) {
        locked = ::flock(fd, LOCK_EX) == 0;
      } else {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        locked = ::fcntl(fd, F_SETLKW, &lock) == 0;
      }
    }
    const char answer = locked ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char answer = 0;
  const bool got = ::read(ready[0], &answer, 1) == 1;
  ::close(ready[0]);
  if (!got || answer != 'y') throw std::runtime_error("could not lock " + path);
}

LockHolder::~LockHolder() {
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
}

}  // namespace vexlo::test
