// WindowMergeObserver: how the main window watches a merge run. Messages become message boxes,
// focus hints move the focus to the path fields or the copies field, PdfTurnedOff clears cbx_4,
// and the run's progress, the generation window and the final message are the ProgressDisplay's
// (progress_display.h): Esc or the progress window's close, once confirmed, stops the run after
// the current record. UI thread only.
#ifndef VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_
#define VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_

#include "merge/merge_session.h"
#include "ui/main/progress_display.h"

namespace vexlo::ui {

class w_vexlo;

class WindowMergeObserver : public merge::MergeObserver {
 public:
  WindowMergeObserver(w_vexlo& window, const merge::MergeRequest& request);
  ~WindowMergeObserver() override;

  // Asks the run to stop after the current record.
  void Cancel() { cancel_ = true; }
  ProgressDisplay& display() { return display_; }

  void Message(std::string_view title, std::string_view text) override;
  void Focus(merge::MergeField field) override;
  void PdfTurnedOff() override;
  void RecordsChosen(const std::vector<int>& rows) override;
  void ProgressOpened(std::string_view text, int total_records) override;
  void Progress(int done, int total) override;
  void StageProgress(merge::MergeStage stage, int done, int total) override;
  // Shows what the check before writing found and asks whether to go on.
  bool ConfirmCheck(const merge::CheckFindings& findings) override;
  // Asks "将在打印机“X”上打印 … 是否继续？".
  bool ConfirmPrint(const merge::PrintPlan& plan) override;
  void RecordDone(const merge::RecordResult& record) override;
  void ProgressClosed() override;
  bool CancelRequested() override;
  void Finished(const merge::MergeSummary& summary) override;

 private:
  w_vexlo& window_;
  ProgressDisplay display_;
  bool cancel_ = false;
};

// The request a run of the window is given: the window's inputs, the start-up folder, the clock,
// and with 发送邮件 the saved mail settings with their password.
merge::MergeRequest RequestFromWindow(const w_vexlo& window);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_
