// LockHolder: a second process that holds a lock on a file (flock, or an fcntl record lock) until
// the object dies, the way another program holding the file open would.
#ifndef VEXLO_TESTS_MERGE_LOCK_HOLDER_H_
#define VEXLO_TESTS_MERGE_LOCK_HOLDER_H_

#include <sys/types.h>

#include <string>

namespace vexlo::test {

class LockHolder {
 public:
  enum class Kind { kFlock, kFcntl };
  LockHolder(const std::string& path, Kind kind);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

 private:
  pid_t child_ = -1;
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_MERGE_LOCK_HOLDER_H_
