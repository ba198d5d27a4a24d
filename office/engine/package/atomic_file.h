// Writing a whole file atomically: the bytes go to a temporary file in the target's folder, which
// then replaces the target by a rename. A failed write never leaves a truncated file and never
// destroys an existing one. Raises app::RuntimeError::File naming the target. The temporary file
// is named ".vexlo-<pid>-XXXXXX"; those left in a folder by a process that was killed go when
// this process first writes into that folder.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_

#include <string>
#include <string_view>

namespace vexlo::engine {

void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Moves the finished file `from` onto `path` the same way (copying first when `from` lies on
// another file system). `from` is gone afterwards.
void ReplaceFileAtomically(const std::string& from, const std::string& path);

// Removes the temporary files in `folder` that ended processes of this user left (tests; the
// writers above call it once per folder).
void RemoveTempFilesOfEndedProcesses(const std::string& folder);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_ATOMIC_FILE_H_
