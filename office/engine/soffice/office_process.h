// One office's process: the profile it runs on, its start (in a process group of its own, dying
// with the thread that started it), its end by force with everything it started, and its size.
// A profile serves one office at a time: a second office on it would hand its work to the first
// and exit, so each office holds a lock on its profile while it lives. No UNO here.
// Alive, Kill and Pid may be called from any thread; the rest from the office's worker.
// Convention: Spawn tells by its bool whether the office started; the others cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PROCESS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace vexlo::engine {

// The office program to start: soffice.bin itself where it can be found, so that the process we
// start is the office (and dies with us); otherwise the launcher. "" when there is none.
std::string OfficeBinary();

// The file URL of `path` (made absolute), as the office takes paths.
std::string FileUrl(const std::string& path);

class OfficeProcess {
 public:
  OfficeProcess() = default;
  ~OfficeProcess();  // kills the office, releases the profile
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  // Takes the first free profile "office-profile-<k>" under `root` (other offices and other
  // vexlo processes hold the others), else a private one in `fallback_dir`. Keeps the one it
  // holds already.
  void LockProfile(const std::string& root, const std::string& fallback_dir);
  const std::string& profile() const { return profile_; }
  // Lets other offices take the profile (the office has ended).
  void ReleaseProfile();

  // Starts the office accepting connections on `pipe`, with `extra_env` ("NAME=value") in place
  // of the inherited variables of those names, its command line after `wrapper` (a program by
  // its full path and its arguments, which runs the office) when one is given. False when it
  // cannot be started. The pipe's socket goes when the process is reaped.
  bool Spawn(const std::string& binary, const std::string& pipe, const std::vector<std::string>& extra_env,
             const std::vector<std::string>& wrapper = {});

  // Whether the process started by the last Spawn still runs (it is reaped when it ended).
  bool Alive();
  // While the office of the last Spawn starts: kRunning, kTakenAway when it was killed meanwhile,
  // otherwise it has ended (and is reaped) with this exit code (-1: by a signal).
  static constexpr int kRunning = -2;
  static constexpr int kTakenAway = -3;
  int Poll();
  // Whether the process of the last Spawn was ended by Kill (or another start took its place).
  bool Killed();
  // Kills the office with its process group and reaps it.
  void Kill();
  // Waits up to `limit` for the office to end by itself; true when it did (it is then reaped).
  bool WaitEnded(std::chrono::milliseconds limit);
  // The process id, or -1 when none runs.
  pid_t Pid();
  // The resident size of the process, in KB; 0 when unknown.
  long ResidentKb();
  // The CPU time (user and system) used so far by the processes of the office's process group
  // (the office and what it started), in ms; 0 when none runs.
  long GroupCpuMs();

  // The size after the office's first document, to measure its growth against.
  long baseline_kb = 0;

 private:
  // Caller holds mutex_: the process has been reaped; its socket goes.
  void Reaped();

  std::mutex mutex_;  // guards pid_, killed_ and pipe_
  pid_t pid_ = -1;
  std::string pipe_;  // the pipe of the last Spawn
  pid_t spawned_ = -1;  // the process of the last Spawn
  bool killed_ = false;
  std::string profile_;
  int lock_fd_ = -1;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PROCESS_H_
