// Appends one entry to the error log "AppError.txt" as code page 936 bytes with CR LF line ends.
// The file is locked against other writers while the entry is written, so two running copies of
// vexlo never interleave their entries.
#ifndef VEXLO_APP_ERROR_LOG_H_
#define VEXLO_APP_ERROR_LOG_H_

#include <chrono>
#include <string>
#include <vector>

namespace vexlo::app {

// Appends `lines` (UTF-8, without line ends) to the file at `path`, creating it when missing and
// never truncating it. Waits up to `lock_wait` for another writer's lock; when the lock is still
// held then, or the file cannot be opened, nothing is written and false is returned.
bool AppendLogEntry(const std::string& path, const std::vector<std::string>& lines,
                    std::chrono::milliseconds lock_wait = std::chrono::seconds(2));

}  // namespace vexlo::app

#endif  // VEXLO_APP_ERROR_LOG_H_
