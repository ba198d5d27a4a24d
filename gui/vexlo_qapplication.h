// VexloQApplication: QApplication with the last net under every event: whatever escapes a handler
// that forgot its guard is reported as a run-time error instead of crossing Qt's event loop.
#ifndef VEXLO_GUI_VEXLO_QAPPLICATION_H_
#define VEXLO_GUI_VEXLO_QAPPLICATION_H_

#include <QApplication>
#include <functional>

#include "app/event_guard.h"

namespace vexlo::gui {

class VexloQApplication : public QApplication {
 public:
  // What escapes a handler is reported to `events`.
  VexloQApplication(int& argc, char** argv, app::Events& events);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  app::Events& events_;
};

// How the program's posted calls run from Qt's event loop: each time the queue has work and no
// handler is running, a zero-delay timer drains `events`.
std::function<void()> QtDrainScheduler(app::Events& events);

}  // namespace vexlo::gui

#endif  // VEXLO_GUI_VEXLO_QAPPLICATION_H_
