// Reads back the jobs of the local CUPS server, with the copies each was sent with, so tests can
// check what the printer received.
#ifndef VEXLO_TESTS_ENGINE_OUTPUT_CUPS_JOBS_H_
#define VEXLO_TESTS_ENGINE_OUTPUT_CUPS_JOBS_H_

#include <string>
#include <vector>

namespace vexlo::test {

struct PrintJob {
  int id = 0;
  std::string title;
  int copies = 0;
};

// The highest job id the server knows so far (0 when none).
int LastJobId();
// Jobs with an id above `after`, oldest first; waits up to a few seconds for `expected` of them.
std::vector<PrintJob> JobsAfter(int after, std::size_t expected);

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_ENGINE_OUTPUT_CUPS_JOBS_H_
