#include "ui/chrome/window_region.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace vexlo::ui {

QRegion createroundrectrgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                           int32_t y3) {
  const int left = std::min(x1, x2), right = std::max(x1, x2);
  const int top = std::min(y1, y2), bottom = std::max(y1, y2);
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return {};
  // Radii of the corner ellipse, never more than half the rectangle.
  const double rx = std::min(std::abs(x3), w) / 2.0;
  const double ry = std::min(std::abs(y3), h) / 2.0;
  if (rx < 0.5 || ry < 0.5) return QRegion(left, top, w, h);
  // Row by row: each row is inset where it crosses a corner ellipse.
  QRegion region;
  for (int row = 0; row < h; ++row) {
    const double cy = row + 0.5;
    double dy = 0;
    if (cy < ry) dy = ry - cy;
    else if (cy > h - ry) dy = cy - (h - ry);
    int inset = 0;
    if (dy > 0) {
      const double t = std::max(0.0, 1.0 - (dy * dy) / (ry * ry));
      inset = static_cast<int>(std::lround(rx - rx * std::sqrt(t)));
    }
    if (w - 2 * inset > 0) region += QRect(left + inset, top + row, w - 2 * inset, 1);
  }
  return region;
}

int32_t setwindowrgn(QWidget* window, const QRegion& region, bool redraw) {
  if (window == nullptr) return 0;
  window->setMask(region);
  if (redraw) window->update();
  return 1;
}

}  // namespace vexlo::ui
