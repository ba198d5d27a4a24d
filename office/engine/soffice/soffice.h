// Runs LibreOffice headless to convert files (.doc <-> .docx, documents to PDF). Each call starts
// one soffice process with its own user profile folder, so that several conversions may run at
// once. Synchronous; any thread.
// Convention: SofficeProgram gives "" when LibreOffice is not installed; a run's SofficeResult
// says whether it started and how it ended.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_SOFFICE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_SOFFICE_H_

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::engine {

// The soffice program, or "" when LibreOffice is not installed.
std::string SofficeProgram();

// Where LibreOffice profiles and cached conversions live: $XDG_CACHE_HOME/vexlo or
// ~/.cache/vexlo.
std::string DefaultProfileRoot();

// Writes (when changed) a fontconfig set-up into `root` and returns its path: the system's
// fonts, plus "宋体"/SimSun (which documents ask for) served by the installed CJK serif face, so
// that Chinese text comes out in real glyphs of the intended style.
std::string WriteFontsConf(const std::string& root);

struct SofficeResult {
  bool started = false;   // false: soffice missing or could not be started
  bool timed_out = false;
  int exit_code = -1;
  std::string output;     // what soffice printed (stdout and stderr)
};

// Converts `inputs` into `out_dir`: each output is named after its input with the extension of
// `convert_to` ("pdf", "docx", "doc:MS Word 97"). `profile_dir` is the private user profile
// (created when missing). Does not check the outputs: soffice may skip files and still exit 0, so
// the caller checks each expected file. `extra_env` ("NAME=value") is added to soffice's
// environment. soffice runs in a process group of its own, so that a timeout kills all of it.
// A conversion of its own, which no cancel reaches (tools and tests); the program's go through
// its SofficeRuns.
SofficeResult RunSofficeConvert(const std::vector<std::string>& inputs, std::string_view convert_to,
                                const std::string& out_dir, const std::string& profile_dir,
                                std::chrono::milliseconds timeout = std::chrono::minutes(5),
                                const std::vector<std::string>& extra_env = {});

// The soffice conversions of one program (owned by its EngineServices): the process groups of
// those running now, so that a cancel ends them in any thread, and `wait_hook`, called about every
// 100 ms while a conversion started on the main thread runs, so that the program's windows can
// repaint during the wait (empty: none). Any thread.
class SofficeRuns {
 public:
  explicit SofficeRuns(std::function<void()> wait_hook = {}) : wait_hook_(std::move(wait_hook)) {}
  SofficeRuns(const SofficeRuns&) = delete;
  SofficeRuns& operator=(const SofficeRuns&) = delete;

  // RunSofficeConvert, listed here while it runs.
  SofficeResult Convert(const std::vector<std::string>& inputs, std::string_view convert_to,
                        const std::string& out_dir, const std::string& profile_dir,
                        std::chrono::milliseconds timeout = std::chrono::minutes(5),
                        const std::vector<std::string>& extra_env = {});
  // Ends every conversion running now with its whole process group; those calls return without
  // their outputs. Used when a run is cancelled.
  void EndRunning();

 private:
  void Add(pid_t group);
  void Remove(pid_t group);

  const std::function<void()> wait_hook_;
  std::mutex mutex_;
  std::set<pid_t> groups_;
};

// An office profile used only headless never records that its version has run (only a visible
// window does), and every start of an office on it runs the office's graphics tests again
// (seconds). A profile that does not exist yet gets that record here, before its first start;
// `office_binary` is the office program (soffice or soffice.bin) whose version it records.
void SeedProfile(const std::string& profile, const std::string& office_binary);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_SOFFICE_H_
