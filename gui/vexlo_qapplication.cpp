#include "gui/vexlo_qapplication.h"

#include <QTimer>

namespace vexlo::gui {

VexloQApplication::VexloQApplication(int& argc, char** argv, app::Events& events)
    : QApplication(argc, argv), events_(events) {}

bool VexloQApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    events_.ReportException(std::current_exception(),
                            {"vexlo", receiver ? receiver->objectName().toStdString() : "", "notify"});
    return false;
  }
}

std::function<void()> QtDrainScheduler(app::Events& events) {
  return [&events] { QTimer::singleShot(0, qApp, [&events] { events.DrainPosted(); }); };
}

}  // namespace vexlo::gui
