#include "ui/chrome/mouse_capture.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace vexlo::ui {
namespace {

class CaptureWatch;
CaptureWatch* Watch();

// The widget holding the capture; it is kept by the application (none before there is one).
QWidget* Holder();
void SetHolder(QWidget* widget);

void Notify(QWidget* lost) {
  if (lost == nullptr) return;
  QEvent notice(CaptureChangedEvent());
  QCoreApplication::sendEvent(lost, &notice);
}

// Drops the capture of the holder without notice; returns who held it.
QWidget* Drop() {
  QWidget* old = Holder();
  SetHolder(nullptr);
  if (old != nullptr && QWidget::mouseGrabber() == old) old->releaseMouse();
  return old;
}

// Takes the capture away when its holder can no longer have it: hidden, its window blocked by a
// modal window or deactivated. Without this a modal dialog opened from a click would find the
// pointer grabbed by the button under it.
class CaptureWatch : public QObject {
 public:
  QPointer<QWidget> holder;

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

// The watch is a child of the application, made on first use: the capture is the application's,
// as the system's is the display's.
CaptureWatch* Watch() {
  if (qApp == nullptr) return nullptr;
  constexpr const char* kName = "vexlo-mouse-capture";
  auto* watch = qApp->findChild<CaptureWatch*>(kName, Qt::FindDirectChildrenOnly);
  if (watch == nullptr) {
    watch = new CaptureWatch;
    watch->setObjectName(kName);
    watch->setParent(qApp);
    qApp->installEventFilter(watch);
  }
  return watch;
}

QWidget* Holder() {
  CaptureWatch* watch = Watch();
  return watch != nullptr ? watch->holder.data() : nullptr;
}

void SetHolder(QWidget* widget) {
  if (CaptureWatch* watch = Watch()) watch->holder = widget;
}

}  // namespace

QEvent::Type CaptureChangedEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void setcapture(QWidget* widget) {
  if (widget == nullptr) return;
  QWidget* old = Holder();
  if (old == widget) return;
  Drop();
  SetHolder(widget);
  // Only a visible widget can grab the pointer; the logical capture holds either way.
  if (widget->isVisible()) widget->grabMouse();
  Notify(old);
}

void releasecapture() { Notify(Drop()); }

QWidget* getcapture() { return Holder(); }

}  // namespace vexlo::ui
