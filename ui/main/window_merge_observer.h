// WindowMergeObserver: how the main window watches a merge run. Messages become message boxes
// (with the final summary below the headline), focus hints move the focus to the path fields or
// the copies field, PdfTurnedOff clears cbx_4, and the progress window w_msg is open from
// ProgressOpened to ProgressClosed, repainted as records finish. Cancel() (the window's Esc or the
// progress window's close, once confirmed) stops the run after the current record.
// UI thread only.
#ifndef VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_
#define VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_

#include <QPointer>

#include "merge/merge_session.h"
#include "ui/main/w_msg.h"

namespace vexlo::ui {

class w_vexlo;

class WindowMergeObserver : public merge::MergeObserver {
 public:
  explicit WindowMergeObserver(w_vexlo& window);
  ~WindowMergeObserver() override;

  // Asks the run to stop after the current record.
  void Cancel() { cancel_ = true; }
  // The progress window while it is open (null otherwise).
  w_msg* progress() const { return progress_; }

  void Message(std::string_view title, std::string_view text) override;
  void Focus(merge::MergeField field) override;
  void PdfTurnedOff() override;
  void ProgressOpened(std::string_view text, int total_records) override;
  void Progress(int done, int total) override;
  void ProgressClosed() override;
  bool CancelRequested() override;
  void Finished(const merge::MergeSummary& summary) override;

 private:
  w_vexlo& window_;
  QPointer<w_msg> progress_;
  bool cancel_ = false;
};

// The request the window's controls stand for: sle_1, sle_2, sle_3, em_1 and cbx_1 .. cbx_4.
merge::MergeRequest RequestFromWindow(const w_vexlo& window);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_WINDOW_MERGE_OBSERVER_H_
