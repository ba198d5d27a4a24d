// The windowed program: the application object's events around Qt's event loop.
#include <QTimer>

#include "app/application.h"
#include "app/event_guard.h"
#include "app/gui/vexlo_qapplication.h"
#include "app/post_queue.h"
#include "ui/main/qt_host.h"
#include "ui/main/w_vexlo.h"

int main(int argc, char** argv) {
  using namespace vexlo;
  app::VexloQApplication qt(argc, argv);
  qt.setApplicationName("vexlo");
  app::InstallQtDrainScheduler();

  ui::w_vexlo* window = nullptr;
  ui::QtHost host([] {
    // Orderly end: every window runs its close processing, then the loop returns and destroy runs.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
  app::SetHost(&host);

  app::Application vexlo([&] {
    window = new ui::w_vexlo;
    window->setAttribute(Qt::WA_DeleteOnClose);
    host.SetMainWindow(window);
    window->show();
  });

  app::RunGuarded({"vexlo", "", "create"}, [&] { vexlo.create(); });
  app::RunGuarded({"vexlo", "", "open"}, [&] {
    vexlo.open(QCoreApplication::arguments().mid(1).join(' ').toStdString());
  });

  int rc = 0;
  if (!QApplication::topLevelWidgets().isEmpty()) rc = qt.exec();
  app::RunGuarded({"vexlo", "", "destroy"}, [&] { vexlo.destroy(); });
  app::ClearPosted();
  app::SetHost(nullptr);
  return rc;
}
