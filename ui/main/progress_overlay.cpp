#include "ui/main/progress_overlay.h"

#include <QPainter>
#include <algorithm>
#include <cstdio>

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

std::string CountText(int record, int total) {
  const std::string all = "共 " + std::to_string(std::max(total, 0)) + " 条";
  if (record <= 0) return all;
  return "第 " + std::to_string(std::min(record, total)) + " 条，" + all;
}

std::string ElapsedText(std::chrono::milliseconds elapsed) {
  const long long seconds = std::max<long long>(elapsed.count(), 0) / 1000;
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char text[32];
  if (h > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  }
  return std::string("已用时 ") + text;
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
  p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(CountText(record_, total_)));
  p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(ElapsedText(elapsed_)));
}

}  // namespace vexlo::ui
