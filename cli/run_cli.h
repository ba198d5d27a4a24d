// vexlo-merge's whole run: parse the command line, build the merge request from it, run the merge
// session watched by the console inside the application's error handling, and turn the outcome
// into the exit status. The caller registers the automation servers first (the program: the
// embedded engine; tests: fakes).
#ifndef VEXLO_CLI_RUN_CLI_H_
#define VEXLO_CLI_RUN_CLI_H_

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/application.h"
#include "app/clock.h"
#include "app/event_guard.h"
#include "cli/cli_options.h"
#include "cli/console_observer.h"
#include "merge/merge_session.h"

namespace vexlo::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitMessage = 1,       // a validation or connection message ended the run
  kExitUsage = 2,         // bad command line
  kExitRuntimeError = 3,  // a run-time error; its entry is in AppError.txt
  kExitCancelled = 4,     // stopped by a signal after a finished record
  kExitIncomplete = 5,    // done, but rows of the sheet holding data were not made
  kExitMailFailed = 6,    // the files are done, but messages asked for did not go out
};

// What vexlo-merge's main() builds: the console that answers for the user (on `err`), the
// application with its state, and the event dispatch that reports what a step lets escape to
// the application's systemerror.
struct CliProgram {
  explicit CliProgram(std::FILE* err)
      : host(err), vexlo(state, host, app::SystemTime), events(state.error, [this] {
          vexlo.systemerror();
        }) {}

  ConsoleHost host;
  app::AppState state;
  app::Application vexlo;
  app::Events events;
};

// The merge request the options stand for.
merge::MergeRequest RequestFromOptions(const CliOptions& options);

// What the run asks of the program's engine; either may be empty.
struct CliEngine {
  // Gets LibreOffice ready for the template and whether PDFs or prints are wanted, while the
  // data is read and the first records are made.
  std::function<void(const std::string& template_path, bool needs_pdf)> warm_up;
  // The engine's orderly end, which writes what is still held: runs last, where a run-time
  // error it raises is still reported and makes the exit status 3.
  std::function<void()> at_end;
  // What the engine's servers hold back to do in bulk, finished by the run (nullptr: none).
  office::DeferredWork* deferred = nullptr;
};

// `interactive`: draw the progress bar. `cancelled` is asked between records (and while output
// work is awaited) whether the run is to stop.
int RunCli(CliProgram& program, const std::vector<std::string>& args, std::FILE* out,
           std::FILE* err, bool interactive, std::function<bool()> cancelled = {},
           const CliEngine& engine = {});

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_RUN_CLI_H_
