// Window regions: a rounded-rectangle region applied as a window's mask, so that whatever lies
// outside it is neither drawn nor receives the mouse. UI thread only.
#ifndef VEXLO_UI_CHROME_WINDOW_REGION_H_
#define VEXLO_UI_CHROME_WINDOW_REGION_H_

#include <QRegion>
#include <cstdint>

class QWidget;

namespace vexlo::ui {

// The rectangle (x1, y1)-(x2, y2), right and bottom edges excluded, with corners rounded by an
// ellipse of x3 × y3 pixels. An ellipse of 0 on an axis leaves that axis square.
QRegion createroundrectrgn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
// Makes `region` the window's shape; with `redraw` the window repaints at once.
int32_t setwindowrgn(QWidget* window, const QRegion& region, bool redraw);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_WINDOW_REGION_H_
