#include "app/error_log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>

#include "app/codepage.h"

namespace vexlo::app {
namespace {

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool AppendLogEntry(const std::string& path, const std::vector<std::string>& lines,
                    std::chrono::milliseconds lock_wait) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += Utf8ToCp936(line);
    bytes += "\r\n";
  }

  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;

  // Another copy of the program may be writing its entry: wait a little for it.
  const auto deadline = std::chrono::steady_clock::now() + lock_wait;
  bool locked = false;
  while (!(locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0)) {
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  bool ok = locked && WriteAll(fd, bytes);
  ::close(fd);  // also drops the lock
  return ok;
}

}  // namespace vexlo::app
