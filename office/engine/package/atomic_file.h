// Writing a whole file atomically: the bytes go to a temporary file in the target's folder, which
// then replaces the target by a rename. A failed write never leaves a truncated file and never
// destroys an existing one. Raises app::RuntimeError::File naming the target. The temporary file
// is named ".vexlo-<pid>-XXXXXX" and listed among this process's made files (made_files.h), so
// that one left by a process that was killed goes at once, and never a file of the user's.
// Convention: raises app::RuntimeError::File naming the file; the pool's delivery turns it into a
// Status.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_

#include <string>
#include <string_view>

namespace vexlo::engine {

void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Moves the finished file `from` onto `path` the same way (copying first when `from` lies on
// another file system). `from` is gone afterwards.
void ReplaceFileAtomically(const std::string& from, const std::string& path);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_
