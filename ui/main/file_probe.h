// The file-in-use probe of the commands: can the file be opened for reading with nobody else
// holding it? "Held" means an advisory lock of another process on the file, or the lock file that
// an office program leaves beside a document it has open (".~lock.NAME#", "~$NAME"). The probe's
// handle is closed at once. Thread-compatible.
#ifndef VEXLO_UI_MAIN_FILE_PROBE_H_
#define VEXLO_UI_MAIN_FILE_PROBE_H_

#include <string>

namespace vexlo::ui {

// A positive number when the file could be opened exclusively (already closed again), a negative
// one when it does not exist, cannot be read or is held by another program.
int ProbeExclusiveOpen(const std::string& path);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_FILE_PROBE_H_
