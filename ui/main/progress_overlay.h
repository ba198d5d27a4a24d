// What the progress window draws over its picture: the track filled to the share of the stage's
// work done (records, PDFs, print jobs), "第 i 条，共 n 条" (or "第 i 个，共 n 个"), the time since
// the run began and, once it can be told, the time the stage still needs. The arithmetic is apart so that it can be
// checked without a screen. UI thread only.
#ifndef VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_
#define VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_

#include <QWidget>
#include <chrono>
#include <optional>
#include <string>

#include "merge/run_stages.h"

namespace vexlo::ui {

// Pixels of a `width`-pixel track filled for `done` of `total`; 0 when total is not known yet,
// never more than the track.
int FilledWidth(int done, int total, int width);
// "已用时 m:ss", or "已用时 h:mm:ss" from an hour on.
std::string ElapsedText(std::chrono::milliseconds elapsed);

class ProgressOverlay : public QWidget {
 public:
  // Placed over the picture's track and the line below it.
  explicit ProgressOverlay(QWidget* parent);

  // Record `record` of `total` is being made (0: none yet); `done` records are finished.
  void SetProgress(int record, int done, int total);
  void SetElapsed(std::chrono::milliseconds elapsed);
  // The stage the figures count, and the time it still needs (nullopt: not known yet).
  void SetStage(merge::MergeStage stage, std::optional<std::chrono::seconds> left);

  int record() const { return record_; }
  int done() const { return done_; }
  int total() const { return total_; }
  merge::MergeStage stage() const { return stage_; }
  // The two texts under the track: the count, and the time.
  std::string count_text() const;
  std::string time_text() const;
  static constexpr int kTrackWidth = 270;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int record_ = 0;
  int done_ = 0;
  int total_ = 0;
  std::chrono::milliseconds elapsed_{0};
  merge::MergeStage stage_ = merge::MergeStage::kDocuments;
  std::optional<std::chrono::seconds> left_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_
