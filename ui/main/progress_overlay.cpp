#include "ui/main/progress_overlay.h"

#include <QPainter>
#include <algorithm>

#include "ui/main/skin.h"
#include "ui/main/skin_palette.h"

namespace vexlo::ui {
namespace {

// The track as the picture draws it (tools/skin), in the overlay's own pixels.
constexpr int kLeft = 8;
constexpr int kTop = 6;
constexpr int kHeight = 6;
const QRect kOverlay(180, 78, 290, 38);

}  // namespace

int FilledWidth(int done, int total, int width) {
  if (total <= 0 || width <= 0) return 0;
  const long long clamped = std::clamp(done, 0, total);
  return static_cast<int>(clamped * width / total);
}

std::string ElapsedText(std::chrono::milliseconds elapsed) {
  return "已用时 " + merge::ClockText(std::chrono::duration_cast<std::chrono::seconds>(elapsed));
}

ProgressOverlay::ProgressOverlay(QWidget* parent) : QWidget(parent) {
  setGeometry(kOverlay);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void ProgressOverlay::SetProgress(int record, int done, int total) {
  if (record == record_ && done == done_ && total == total_) return;
  record_ = record;
  done_ = done;
  total_ = total;
  update();
}

void ProgressOverlay::SetElapsed(std::chrono::milliseconds elapsed) {
  // The text shows whole seconds: repaint only when it changes.
  const bool changed = elapsed.count() / 1000 != elapsed_.count() / 1000;
  elapsed_ = elapsed;
  if (changed) update();
}

void ProgressOverlay::SetStage(merge::MergeStage stage, std::optional<std::chrono::seconds> left) {
  if (stage == stage_ && left == left_) return;
  stage_ = stage;
  left_ = left;
  update();
}

std::string ProgressOverlay::count_text() const {
  return merge::StageCountText(stage_, record_, total_);
}

std::string ProgressOverlay::time_text() const {
  std::string text = ElapsedText(elapsed_);
  if (left_ && done_ < total_) text += "，" + merge::RemainingText(*left_);
  return text;
}

void ProgressOverlay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // Cover the picture's own (fixed) track.
  p.fillRect(rect(), palette::kBlue);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawRoundedRect(QRectF(kLeft, kTop, kTrackWidth, kHeight), 3, 3);
  const int filled = FilledWidth(done_, total_, kTrackWidth);
  if (filled > 0) {
    p.setBrush(palette::kOrange);
    p.drawRoundedRect(QRectF(kLeft, kTop, std::max(filled, kHeight), kHeight), 3, 3);
  }
  p.setPen(Qt::white);
  p.setFont(SongTi(9));
  const QRect line(kLeft, kTop + kHeight + 4, kTrackWidth, 16);
  p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(count_text()));
  p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(time_text()));
}

}  // namespace vexlo::ui
