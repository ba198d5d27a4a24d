// The merge job behind the start button "开始制作": validates the two input files, starts the
// spreadsheet and the two word-processor instances, reads the titles, fills and outputs one
// document per record (or one for all), shuts the instances down and reports success. Fields,
// check boxes, messages, focus moves and the progress window all go through app::host(), so the
// same job runs in the window, the CLI and the tests.
// UI thread only. Failed automation calls raise app::RuntimeError; the instances this run started
// are quit and released before the error is passed on.
#ifndef VEXLO_MERGE_MERGE_JOB_H_
#define VEXLO_MERGE_MERGE_JOB_H_

#include <memory>

#include "office/oleobject.h"

namespace vexlo::merge {

// The window's three automation objects. An object that is still null (the window's start-up
// check stopped before creating it) is created here.
struct MergeHandles {
  std::unique_ptr<office::oleobject>& excelserver;
  std::unique_ptr<office::oleobject>& wordserver;
  std::unique_ptr<office::oleobject>& wordserver2;
};

// How a run ended, for callers that report a status of their own (the CLI); the window ignores
// it. A run-time error is thrown instead.
enum class MergeOutcome {
  kSucceeded,  // "您已成功执行了操作！" was shown
  kStopped,    // a validation or connection message ended the run
};

// Runs one whole merge, synchronously. Everything it has to say it says in message boxes.
MergeOutcome RunMergeJob(const MergeHandles& handles);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_MERGE_JOB_H_
