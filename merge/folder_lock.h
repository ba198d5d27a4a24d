// One run per output folder: an exclusive lock on the folder itself, held for the life of the
// FolderLock, which the kernel drops when this process ends in whatever way.
// Convention: Lock returns what became of the lock (FolderLock::Result).
#ifndef VEXLO_MERGE_FOLDER_LOCK_H_
#define VEXLO_MERGE_FOLDER_LOCK_H_

#include <string>

namespace vexlo::merge {

class FolderLock {
 public:
  enum class Result {
    kLocked,
    kBusy,         // another run holds it
    kNotLockable,  // the folder cannot be opened for reading: the run goes on unlocked
  };

  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  Result Lock(const std::string& folder);

 private:
  int fd_ = -1;
};

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_FOLDER_LOCK_H_
