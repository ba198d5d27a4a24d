#include "ui/chrome/window_style.h"

#include <QVariant>
#include <QWidget>

namespace vexlo::ui {
namespace {

constexpr char kStyleProperty[] = "vexlo_style_word";

bool Has(int32_t style, int32_t bits) { return (style & bits) == bits; }

int32_t DerivedStyle(const QWidget* w) {
  int32_t style = 0;
  if (w->isVisible()) style |= ws_visible;
  if (!w->isWindow()) return style | ws_child;
  const Qt::WindowFlags f = w->windowFlags();
  if (f.testFlag(Qt::FramelessWindowHint)) return style;
  const bool customized = f.testFlag(Qt::CustomizeWindowHint);
  if (!customized || f.testFlag(Qt::WindowTitleHint)) style |= ws_caption;
  if (!customized || f.testFlag(Qt::WindowSystemMenuHint)) style |= ws_sysmenu;
  if (!customized || f.testFlag(Qt::WindowMinimizeButtonHint)) style |= ws_minimizebox;
  if (!customized || f.testFlag(Qt::WindowMaximizeButtonHint)) style |= ws_maximizebox;
  if (w->minimumSize() != w->maximumSize()) style |= ws_thickframe;
  else style |= ws_border;
  return style;
}

// Puts `style` onto the real frame of a top-level window.
void ApplyStyle(QWidget* w, int32_t style) {
  if (!w->isWindow()) {
    w->setVisible(Has(style, ws_visible));
    return;
  }
  const bool caption = Has(style, ws_caption);
  const bool frame = caption || Has(style, ws_thickframe) || Has(style, ws_border) ||
                     Has(style, ws_dlgframe);
  Qt::WindowFlags flags = (w->windowFlags() & Qt::WindowType_Mask);
  if (!frame) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint;
    if (caption) flags |= Qt::WindowTitleHint;
    if (Has(style, ws_sysmenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (Has(style, ws_minimizebox)) flags |= Qt::WindowMinimizeButtonHint;
    if (Has(style, ws_maximizebox)) flags |= Qt::WindowMaximizeButtonHint;
  }
  if (Has(style, ws_thickframe)) {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    w->setFixedSize(w->size());
  }
  if (flags != w->windowFlags()) w->setWindowFlags(flags);  // hides the window
  w->setVisible(Has(style, ws_visible));
}

}  // namespace

int32_t getwindowlong(QWidget* window, int32_t index) {
  if (window == nullptr || index != gwl_style) return 0;
  const QVariant stored = window->property(kStyleProperty);
  return stored.isValid() ? stored.toInt() : DerivedStyle(window);
}

int32_t setwindowlong(QWidget* window, int32_t index, int32_t value) {
  if (window == nullptr || index != gwl_style) return 0;
  const int32_t old = getwindowlong(window, index);
  window->setProperty(kStyleProperty, value);
  return old;
}

int32_t getwindowrect(QWidget* window, rect& out) {
  if (window == nullptr) return 0;
  QRect r = window->isWindow() ? window->frameGeometry()
                               : QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
  out = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return 1;
}

int32_t setwindowpos(QWidget* window, int32_t, int32_t x, int32_t y, int32_t cx, int32_t cy,
                     int32_t flags) {
  if (window == nullptr) return 0;
  // The frame's margins as they are now; a changed frame is measured again when it is shown.
  const QSize margins = window->isWindow() ? window->frameGeometry().size() - window->size()
                                           : QSize(0, 0);
  if (flags & swp_framechanged) ApplyStyle(window, getwindowlong(window, gwl_style));
  if (!(flags & swp_nomove)) window->move(x, y);
  if (!(flags & swp_nosize)) {
    const QSize inner(std::max(0, cx - margins.width()), std::max(0, cy - margins.height()));
    if (window->minimumSize() == window->maximumSize()) window->setFixedSize(inner);
    else window->resize(inner);
  }
  return 1;
}

}  // namespace vexlo::ui
