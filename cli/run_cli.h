// vexlo-merge's whole run: parse the command line, run the merge job through the console host
// inside the application's error handling, and turn the outcome into the exit status. The caller
// registers the automation servers first (the program: the embedded engine; tests: fakes).
#ifndef VEXLO_CLI_RUN_CLI_H_
#define VEXLO_CLI_RUN_CLI_H_

#include <cstdio>
#include <string>
#include <vector>

namespace vexlo::cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitMessage = 1,       // a validation or connection message ended the run
  kExitUsage = 2,         // bad command line
  kExitRuntimeError = 3,  // a run-time error; its entry is in AppError.txt
};

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err,
           bool interactive);

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_RUN_CLI_H_
