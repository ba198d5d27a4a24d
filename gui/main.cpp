// The windowed program: the application object's events around Qt's event loop.
#include <QDesktopServices>
#include <QUrl>

#include "app/application.h"
#include "app/event_guard.h"
#include "gui/vexlo_qapplication.h"
#include "app/post_queue.h"
#include "app/host.h"
#include "office/deferred_work.h"
#include "office/engine/engine_services.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "ui/main/banner.h"
#include "ui/main/docx_paragraphs.h"
#include "ui/main/page_preview.h"
#include "ui/main/launch_arguments.h"
#include "ui/main/qt_host.h"
#include "ui/main/skin.h"
#include "ui/main/template_readiness.h"
#include "ui/main/translations.h"
#include "ui/main/w_vexlo.h"

int main(int argc, char** argv) {
  using namespace vexlo;
  if (const std::optional<int> status = ui::RouteArguments(argc, argv)) return *status;
  engine::StartTempFolderReaper();  // before any thread
  gui::VexloQApplication qt(argc, argv);
  qt.setApplicationName("vexlo");
  qt.setDesktopFileName("vexlo");  // the desktop entry gives the taskbar its name and icon
  gui::InstallQtDrainScheduler();
  ui::InitSkin();
  ui::LoadQtTranslations();
  ui::SetDesktopFacts({!engine::SofficeProgram().empty(), !engine::DefaultPrinter().empty()});
  qt.setWindowIcon(ui::ApplicationIcon());

  // The engine: offices, conversions, output queue and held saves, given to the servers it
  // registers. They end with `services`, before the program's static state goes.
  engine::EngineServices services(
      {}, {// The windows repaint while LibreOffice converts on the UI thread.
           .conversion_wait = [] { app::host().KeepAlive(-1, -1); },
           // A document left open for the user goes to the desktop's application for its type.
           .desktop_handoff = [](const std::string& path) {
             if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
               app::host().MessageBox("错误提示", "无法打开“" + path +
                                                     "”：没有找到桌面上打开此类文件的程序（xdg-open）。");
             }
           }});
  engine::RegisterEmbeddedServers(services);
  office::SetDeferredWork(&services.deferred_work());
  // The generation window's page images: our own text pages.
  ui::SetPagePreview(std::make_unique<ui::TextPagePreview>(
      [](const std::string& path) { return ui::DocxParagraphs(path); }));
  ui::SetTemplateReader([&services](const std::string& path) {
    return ui::TemplateParagraphs(services.conversions(), path);
  });
  // LibreOffice starts when the window is up, and reads a .doc template as soon as it is chosen.
  ui::SetOfficeStarter([&services] { ui::StartOneOffice(services.pool()); });
  ui::SetTemplatePreparer(ui::LibreOfficePreparer(services.conversions()));

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
    window->OpenWindow();
  });

  app::RunGuarded({"vexlo", "", "create"}, [&] { vexlo.create(); });
  app::RunGuarded({"vexlo", "", "open"}, [&] {
    vexlo.open(QCoreApplication::arguments().mid(1).join(' ').toStdString());
  });

  int rc = 0;
  if (!QApplication::topLevelWidgets().isEmpty()) rc = qt.exec();
  app::RunGuarded({"vexlo", "", "destroy"}, [&] { vexlo.destroy(); });
  // The engine ends while its failures (a save still held that cannot be written) are reported.
  app::RunGuarded({"vexlo", "", "destroy"}, [&] { services.Shutdown(); });
  office::SetDeferredWork(nullptr);
  app::ClearPosted();
  app::SetHost(nullptr);
  return rc;
}
