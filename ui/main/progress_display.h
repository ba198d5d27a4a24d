// What the user sees of a running merge: the progress window (its picture and text, with the
// track filled to the records done, "第 i 条，共 n 条" and the time so far), the generation window
// beside it when the run is to be watched, and the final message with a button that opens the
// output folder. The merge runs on the UI thread; every report of it lets the windows repaint
// (at most every kPumpInterval) with input going only to these windows: the main window is
// blocked while the progress window is up, so a run can never be started twice. Esc or closing
// the progress window asks "是否停止输出？"; Yes stops the run after the current record.
// UI thread only.
#ifndef VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_
#define VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_

#include <QObject>
#include <QPointer>
#include <chrono>
#include <string>
#include <string_view>

#include "merge/merge_session.h"

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
  void Opened(std::string_view text, int total);
  void Progress(int done, int total);
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
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PROGRESS_DISPLAY_H_
