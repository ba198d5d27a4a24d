#include "ui/chrome/nvo_drawroundrectwin.h"

#include <QWidget>

#include "app/runtime_error.h"
#include "ui/chrome/window_region.h"

namespace vexlo::ui {

void nvo_drawroundrectwin::of_drawroundrect(QWidget* aw_window, int16_t ai_rounddegree) {
  if (aw_window == nullptr) throw app::RuntimeError::NullObject("aw_window");
  QWidget* ll_hwinhandle = aw_window;
  // Sizes are already pixels; the outer size is the frame's (the same for a frameless window).
  const QSize outer = aw_window->isWindow() ? aw_window->frameGeometry().size() : aw_window->size();
  const int32_t ll_winwidth = outer.width();
  const int32_t ll_winheight = outer.height();
  if (ai_rounddegree == 0) throw app::RuntimeError::DivideByZero();
  const auto ellipse_w = static_cast<int32_t>(static_cast<double>(ll_winwidth) / ai_rounddegree);
  const auto ellipse_h = static_cast<int32_t>(static_cast<double>(ll_winheight) / ai_rounddegree);
  const QRegion ll_hrgn =
      createroundrectrgn(0, 0, ll_winwidth, ll_winheight, ellipse_w, ellipse_h);
  setwindowrgn(ll_hwinhandle, ll_hrgn, true);
}

}  // namespace vexlo::ui
