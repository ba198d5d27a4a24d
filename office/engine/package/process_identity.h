// Who made a leftover: a process named so that a later process under the same id is never taken
// for it. A process id alone is reused by the system; with the process's start time (clock ticks
// after boot, field 22 of /proc/<pid>/stat) and the boot's id it names one process for good.
// Any thread.
// Convention: std::optional, nullopt when the process is not running or cannot be read.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PROCESS_IDENTITY_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PROCESS_IDENTITY_H_

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::engine {

struct ProcessIdentity {
  pid_t pid = 0;
  unsigned long long start = 0;  // clock ticks after boot; 0 when /proc could not tell
  std::string boot;              // the kernel's boot id; "" when unknown

  bool operator==(const ProcessIdentity&) const = default;
};

// This process.
ProcessIdentity ThisProcess();

// The process running as `pid` now; nullopt when none runs under that id (or /proc cannot say).
std::optional<ProcessIdentity> RunningProcess(pid_t pid);

// Whether the process `who` still runs: false once it has ended (a zombie counts as ended), when
// its id now belongs to a process started later, or after a reboot. When /proc cannot be read it
// falls back on asking the kernel whether the id is in use, and answers true unless it is not.
bool StillRuns(const ProcessIdentity& who);

// "pid=<pid>\nstart=<ticks>\nboot=<id>\n" and back; nullopt for text not of that form.
std::string FormatIdentity(const ProcessIdentity& who);
std::optional<ProcessIdentity> ParseIdentity(std::string_view text);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PROCESS_IDENTITY_H_
