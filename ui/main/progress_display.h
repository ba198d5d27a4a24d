// What the user sees of a running merge: the progress window (its picture and the stage's text,
// with the track filled to the stage's work done, "第 i 条，共 n 条", the time so far and the time
// left once it can be told), the generation window beside it when the run is to be watched, and
// the final message with a button that opens the output folder. The merge runs on the UI thread;
// every report of it lets the windows repaint (at most every kPumpInterval) with input going only
// to these windows: the main window is blocked while the progress window is up, so a run can
// never be started twice. Esc (there or in the generation window) or closing the progress window
// asks "是否停止输出？" over the progress window, the output paused meanwhile (no new PDF is
// begun); Yes stops the run after the current record, No lets the output go on.
// UI thread only.
#ifndef VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_
#define VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_

#include <QObject>
#include <QPointer>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merge/merge_session.h"
#include "merge/run_stages.h"

class QWidget;

namespace vexlo::ui {

class GenerationWindow;
class ProgressOverlay;

class ProgressDisplay : public QObject {
 public:
  static constexpr std::chrono::milliseconds kPumpInterval{40};

  // `owner`: the main window (owner of the final message box); may be null.
  ProgressDisplay(QWidget* owner, merge::MergeRequest request);
  ~ProgressDisplay() override;

  // The merge's reports.
  void RecordsChosen(const std::vector<int>& rows) { chosen_rows_ = rows; }
  // Rows of the sheet that hold data but are left out, as the check before writing found them.
  void RowsLeftOut(const merge::SkippedRows& rows) { left_out_ = rows; }
  void Opened(std::string_view text, int total);
  void Progress(int done, int total);
  void StageProgress(merge::MergeStage stage, int done, int total);
  void RecordDone(const merge::RecordResult& record);
  bool CancelRequested();
  void Closed();
  void Finished(const merge::MergeSummary& summary);

  // The display of the run in progress, or null; a long step without reports of the run
  // (a conversion) keeps it painted through Repaint().
  static ProgressDisplay* Active();
  // Repaints the windows (the time goes on) without taking input.
  void Repaint();

  QWidget* progress_window() const;
  GenerationWindow* generation_window() const { return generation_; }
  ProgressOverlay* overlay() const { return overlay_; }
  bool cancel_requested() const { return cancel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Lets the windows repaint and take input when kPumpInterval has passed (or `force`), then
  // asks about stopping when the user pressed Esc or closed the window.
  void Pump(bool force = false, bool input = true);
  void PlaceWindows();
  // Shows `stage` in the window's text and the overlay, with the time it still needs.
  void ShowStage(merge::MergeStage stage, int done, int total);
  // "是否停止输出？", asked with the output paused.
  bool AskToStop();
  // Sets the count of the PDFs or prints stage to what the output work has made by now.
  void FollowOutput();
  void ResumeOutput();
  // Watched: draws the newest written record's page when due, highlights its row and shows its
  // number in the progress window, so that the three always name the same record.
  void ShowWatched(std::chrono::steady_clock::time_point now, bool force);

  QWidget* owner_;
  merge::MergeRequest request_;
  QPointer<QWidget> progress_;
  ProgressOverlay* overlay_ = nullptr;
  GenerationWindow* generation_ = nullptr;
  int total_ = 0;
  std::chrono::steady_clock::time_point started_{};
  std::chrono::steady_clock::time_point last_pump_{};
  bool stop_asked_ = false;  // Esc or close, not answered yet
  bool asking_ = false;
  bool cancel_ = false;
  std::vector<int> chosen_rows_;  // the sheet rows of the records made, when not all are
  merge::SkippedRows left_out_;
  bool paused_ = false;  // the output is paused for the question
  std::optional<merge::MergeStage> shown_stage_;
  merge::StageTimer timer_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_
