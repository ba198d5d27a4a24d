// The controls of the main window as the skin draws them: labels, check boxes, the path fields
// (read-only, a path may be pasted), the copies field (1 to 50, stepped by the arrow keys and
// the wheel), the icon buttons, and the mark that Tab draws around the focused control.
// UI thread only.
#ifndef VEXLO_UI_MAIN_WINDOW_CONTROLS_H_
#define VEXLO_UI_MAIN_WINDOW_CONTROLS_H_

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QWidget>
#include <string>

#include "app/event_guard.h"
#include "ui/widgets/uo_icobutton.h"

class QCheckBox;
class QFont;
class QLabel;
class QLineEdit;

namespace vexlo::ui {

inline const QColor kRed(255, 0, 0);
inline const QColor kDesignGrey(160, 160, 164);
inline const QColor kWarningText(255, 251, 240);
inline const QColor kFieldText(128, 128, 128);

// The mark around the control that has the keyboard focus after Tab: the skin's controls draw
// none of their own.
class FocusMark : public QWidget {
 public:
  explicit FocusMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }
  void Around(const QWidget* control) {
    setGeometry(control->geometry().adjusted(-2, -2, 2, 2));
    raise();
    show();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QPen pen(QColor(255, 160, 0), 2, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
  }
};

// A control of class W named `name` at `geometry` on `parent`.
template <typename W>
W* Make(QWidget* parent, const char* name, QRect geometry) {
  auto* w = new W(parent);
  w->setObjectName(name);
  w->setGeometry(geometry);
  // A press on a control never reaches the window (and so never drags it).
  w->setAttribute(Qt::WA_NoMousePropagation);
  return w;
}

QLabel* MakeText(QWidget* parent, const char* name, QRect geometry, const char* text,
                 const QFont& font, QColor fg, QColor bg, Qt::Alignment align);
QCheckBox* MakeCheck(QWidget* parent, const char* name, QRect geometry, const char* text,
                     bool checked);
// A path field.
QLineEdit* MakeField(QWidget* parent, const char* name, QRect geometry);
// The copies field, with its validator.
QLineEdit* MakeCopiesField(QWidget* parent, const char* name, QRect geometry);
// An icon button whose images are in `data_folder`; its clicks run through `events`.
uo_icobutton* MakeButton(QWidget* parent, app::Events& events, const std::string& data_folder,
                         const char* name, QRect geometry, uo_icobutton::Values values);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_WINDOW_CONTROLS_H_
