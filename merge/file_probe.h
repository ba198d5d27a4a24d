// The file tests of the merge: does a file exist, and is it held by another program. "Held" means
// that another process holds a lock on it (flock or fcntl), or that a LibreOffice (".~lock.NAME#")
// or Office ("~$NAME") lock file lies beside it, or that it cannot be opened for reading at all.
// The probe's own handle is closed before it returns. Any thread.
// Convention: cannot fail.
#ifndef VEXLO_MERGE_FILE_PROBE_H_
#define VEXLO_MERGE_FILE_PROBE_H_

#include <string>

namespace vexlo::merge {

// True when `path` names an existing file (a folder does not count).
bool FileExists(const std::string& path);

// The in-use probe: opens `path` for reading with an exclusive lock. Returns 1 when that worked
// (the file is free; the handle is already closed again), -1 when another program holds it or it
// cannot be opened.
long ProbeFile(const std::string& path);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_FILE_PROBE_H_
