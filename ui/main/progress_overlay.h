// What the progress window draws over its picture: the track filled to the share of records done,
// "第 i 条，共 n 条" and the time since the run began. The arithmetic is apart so that it can be
// checked without a screen. UI thread only.
#ifndef VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_
#define VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_

#include <QWidget>
#include <chrono>
#include <string>

namespace vexlo::ui {

// Pixels of a `width`-pixel track filled for `done` of `total`; 0 when total is not known yet,
// never more than the track.
int FilledWidth(int done, int total, int width);
// "第 i 条，共 n 条"; "共 n 条" alone before the first record.
std::string CountText(int record, int total);
// "已用时 m:ss", or "已用时 h:mm:ss" from an hour on.
std::string ElapsedText(std::chrono::milliseconds elapsed);

class ProgressOverlay : public QWidget {
 public:
  // Placed over the picture's track and the line below it.
  explicit ProgressOverlay(QWidget* parent);

  // Record `record` of `total` is being made (0: none yet); `done` records are finished.
  void SetProgress(int record, int done, int total);
  void SetElapsed(std::chrono::milliseconds elapsed);

  int record() const { return record_; }
  int done() const { return done_; }
  int total() const { return total_; }
  static constexpr int kTrackWidth = 270;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int record_ = 0;
  int done_ = 0;
  int total_ = 0;
  std::chrono::milliseconds elapsed_{0};
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PROGRESS_OVERLAY_H_
