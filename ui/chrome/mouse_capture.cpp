#include "ui/chrome/mouse_capture.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace vexlo::ui {
namespace {

QPointer<QWidget>& Holder() {
  static QPointer<QWidget> holder;
  return holder;
}

void Notify(QWidget* lost) {
  if (lost == nullptr) return;
  QEvent notice(CaptureChangedEvent());
  QCoreApplication::sendEvent(lost, &notice);
}

// Drops the capture of the holder without notice; returns who held it.
QWidget* Drop() {
  QWidget* old = Holder();
  Holder() = nullptr;
  if (old != nullptr && QWidget::mouseGrabber() == old) old->releaseMouse();
  return old;
}

// Takes the capture away when its holder can no longer have it: hidden, its window blocked by a
// modal window or deactivated. Without this a modal dialog opened from a click would find the
// pointer grabbed by the button under it.
class CaptureWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    QWidget* holder = Holder();
    if (holder == nullptr) return false;
    switch (event->type()) {
      case QEvent::Hide:
      case QEvent::WindowBlocked:
      case QEvent::WindowDeactivate:
        if (watched == holder || watched == holder->window()) Notify(Drop());
        break;
      case QEvent::Show:
        // A modal window appears: the capture goes to it.
        if (auto* w = qobject_cast<QWidget*>(watched); w != nullptr && w->isWindow() &&
                                                        w->isModal() && w != holder->window()) {
          Notify(Drop());
        }
        break;
      default:
        break;
    }
    return false;
  }
};

void InstallWatch() {
  static CaptureWatch* watch = nullptr;
  if (watch == nullptr && qApp != nullptr) {
    watch = new CaptureWatch;
    watch->setParent(qApp);
    qApp->installEventFilter(watch);
  }
}

}  // namespace

QEvent::Type CaptureChangedEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void setcapture(QWidget* widget) {
  if (widget == nullptr) return;
  InstallWatch();
  QWidget* old = Holder();
  if (old == widget) return;
  Drop();
  Holder() = widget;
  // Only a visible widget can grab the pointer; the logical capture holds either way.
  if (widget->isVisible()) widget->grabMouse();
  Notify(old);
}

void releasecapture() { Notify(Drop()); }

QWidget* getcapture() { return Holder(); }

}  // namespace vexlo::ui
