// The terminal side of vexlo-merge. ConsoleHost answers what the application shell asks of a
// person (the system-error box: printed and answered No, so that the CLI itself decides how to
// end). ConsoleObserver watches a merge run: messages are printed (guidance to `out`, errors to
// `err`), the progress window becomes a line, with a bar of the stage (documents, PDFs, printing),
// i of n and the time left when the terminal is interactive; what will be printed is said before
// the first print job (no question: --print asked for it), and the final message goes out with
// its details on `err`.
#ifndef VEXLO_CLI_CONSOLE_OBSERVER_H_
#define VEXLO_CLI_CONSOLE_OBSERVER_H_

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "app/host.h"
#include "merge/merge_session.h"
#include "merge/run_stages.h"

namespace vexlo::cli {

class ConsoleHost : public app::Host {
 public:
  explicit ConsoleHost(std::FILE* err) : err_(err) {}
  void MessageBox(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  void EndProgram() override {}

 private:
  std::FILE* err_;
};

class ConsoleObserver : public merge::MergeObserver {
 public:
  // `out` takes guidance, `err` errors, the progress bar and the final details. `cancelled` is
  // asked between records whether the run is to stop.
  ConsoleObserver(std::FILE* out, std::FILE* err, bool show_progress,
                  std::function<bool()> cancelled = {});

  void Message(std::string_view title, std::string_view text) override;
  void ProgressOpened(std::string_view text, int total_records) override;
  void Progress(int done, int total) override;
  void StageProgress(merge::MergeStage stage, int done, int total) override;
  // Prints what the check found and goes on.
  bool ConfirmCheck(const merge::CheckFindings& findings) override;
  bool ConfirmPrint(const merge::PrintPlan& plan) override;
  void ProgressClosed() override;
  bool CancelRequested() override;
  void Finished(const merge::MergeSummary& summary) override;

 private:
  void ClearBar();
  void DrawBar(merge::MergeStage stage, int done, int total);

  std::FILE* out_;
  std::FILE* err_;
  bool show_progress_;
  std::function<bool()> cancelled_;
  bool bar_drawn_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
  merge::StageTimer timer_;
  merge::MergeStage drawn_stage_ = merge::MergeStage::kDocuments;
};

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_CONSOLE_OBSERVER_H_
