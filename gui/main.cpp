// The windowed program: the application object's events around Qt's event loop.
#include <QDesktopServices>
#include <QUrl>

#include "app/application.h"
#include "app/event_guard.h"
#include "gui/vexlo_qapplication.h"
#include "app/post_queue.h"
#include "app/host.h"
#include "office/engine/desktop_handoff.h"
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
  // The generation window's page images: our own text pages.
  ui::SetPagePreview(std::make_unique<ui::TextPagePreview>(
      [](const std::string& path) { return ui::DocxParagraphs(path); }));
  ui::SetTemplateReader([](const std::string& path) { return ui::TemplateParagraphs(path); });
  // LibreOffice starts when the window is up, and reads a .doc template as soon as it is chosen.
  ui::SetOfficeStarter(ui::StartOneOffice);
  ui::SetTemplatePreparer(ui::LibreOfficePreparer());
  // The windows repaint while LibreOffice converts on the UI thread.
  engine::SetConversionWaitHook([] { app::host().KeepAlive(-1, -1); });
  qt.setWindowIcon(ui::ApplicationIcon());

  // The offices and conversions end with `services`, before the program's static state goes.
  engine::EngineServices services;
  engine::RegisterEmbeddedServers();
  // A document left open for the user goes to the desktop's application for its type.
  engine::SetDesktopHandoff([](const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
      app::host().MessageBox("错误提示", "无法打开“" + path +
                                            "”：没有找到桌面上打开此类文件的程序（xdg-open）。");
    }
  });

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
  app::ClearPosted();
  app::SetHost(nullptr);
  return rc;
}
