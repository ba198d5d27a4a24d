// Runs the vexlo-merge program as a child process in a folder, with what it printed and how it
// ended.
#ifndef VEXLO_TESTS_CLI_MERGE_PROGRAM_H_
#define VEXLO_TESTS_CLI_MERGE_PROGRAM_H_

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/test_paths.h"

namespace vexlo::test {

struct ProgramResult {
  int status = -1;  // the exit status; -1 for a program ended by a signal
  std::string out, err;
};

// Runs vexlo-merge with `args` (shell words) in `dir`; `env`: variable settings ("TMPDIR=/x").
inline ProgramResult RunMergeProgram(const std::filesystem::path& dir, const std::string& args,
                                     const std::string& env = "") {
  const std::string cmd = "cd '" + dir.string() + "' && " + env + " '" VEXLO_MERGE_PROGRAM "' " +
                          args + " >out.txt 2>err.txt";
  const int raw = std::system(cmd.c_str());
  ProgramResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadFile(dir / "out.txt");
  r.err = ReadFile(dir / "err.txt");
  return r;
}

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_CLI_MERGE_PROGRAM_H_
