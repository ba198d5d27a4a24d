#include "app/gui/vexlo_qapplication.h"

#include <QTimer>

#include "app/event_guard.h"
#include "app/post_queue.h"

namespace vexlo::app {

VexloQApplication::VexloQApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VexloQApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportException(std::current_exception(),
                    {"vexlo", receiver ? receiver->objectName().toStdString() : "", "notify"});
    return false;
  }
}

void InstallQtDrainScheduler() {
  SetDrainScheduler([] { QTimer::singleShot(0, qApp, [] { DrainPosted(); }); });
}

}  // namespace vexlo::app
