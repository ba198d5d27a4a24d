#include "gui/vexlo_qapplication.h"

#include <QTimer>

#include "app/event_guard.h"
#include "app/post_queue.h"

namespace vexlo::gui {

VexloQApplication::VexloQApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VexloQApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    app::ReportException(std::current_exception(),
                         {"vexlo", receiver ? receiver->objectName().toStdString() : "", "notify"});
    return false;
  }
}

void InstallQtDrainScheduler() {
  app::SetDrainScheduler([] { QTimer::singleShot(0, qApp, [] { app::DrainPosted(); }); });
}

}  // namespace vexlo::gui
