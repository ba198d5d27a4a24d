// The windowed program. main() builds the program's objects and hands each what it uses; the
// application object's events run around Qt's event loop.
#include <QDesktopServices>
#include <QPointer>
#include <QUrl>
#include <cstdio>
#include <functional>

#include "app/application.h"
#include "app/app_state.h"
#include "app/clock.h"
#include "app/event_guard.h"
#include "gui/vexlo_qapplication.h"
#include "office/engine/engine_services.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "ui/main/docx_paragraphs.h"
#include "ui/main/launch_arguments.h"
#include "ui/main/page_preview.h"
#include "ui/main/progress_display.h"
#include "ui/main/qt_host.h"
#include "ui/main/settings_file.h"
#include "ui/main/skin.h"
#include "ui/main/template_readiness.h"
#include "ui/main/translations.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_context.h"

int main(int argc, char** argv) {
  using namespace vexlo;
  const ui::LaunchArguments launch = ui::ReadLaunchArguments(argc, argv);
  if (launch.print) {
    std::fputs(launch.print->c_str(), stdout);
    return 0;
  }
  engine::StartTempFolderReaper();  // before any thread

  // The application: its state, the host that talks to the user, and the event dispatch that
  // reports what a handler lets escape to the application's systemerror.
  app::AppState state;
  // What the window's parts share for the session; they outlast every window.
  ui::ActiveProgress progress;
  ui::TextPagePreview pages([](const std::string& path) { return ui::DocxParagraphs(path); });
  ui::SettingsFile settings(app::SystemTime);
  ui::MailPasswords mail_passwords;
  // Orderly end: every window runs its close processing, then the loop returns and destroy runs.
  const auto end_program = [] {
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  };
  ui::QtHost host(end_program, &progress);
  std::function<void()> open_main_window;  // set below, once the window's parts exist
  QPointer<ui::w_vexlo> window;
  app::Application vexlo(state, host, app::SystemTime, [&] { open_main_window(); });
  app::Events events(state.error, [&] { vexlo.systemerror(); },
                     gui::QtDrainScheduler(events));

  gui::VexloQApplication qt(argc, argv, events);
  qt.setApplicationName("vexlo");
  qt.setDesktopFileName("vexlo");  // the desktop entry gives the taskbar its name and icon
  ui::InitSkin();
  ui::LoadQtTranslations();
  qt.setWindowIcon(ui::ApplicationIcon());

  // The engine: offices, conversions, output queue and held saves, given to the servers it
  // registers. They end with `services`, before the program's static state goes.
  engine::EngineServices services(
      {}, {// The windows repaint while LibreOffice converts on the UI thread.
           .conversion_wait = [&host] { host.KeepAlive(-1, -1); },
           // A document left open for the user goes to the desktop's application for its type.
           .desktop_handoff = [&host](const std::string& path) {
             if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
               host.MessageBox("错误提示", "无法打开“" + path +
                                              "”：没有找到桌面上打开此类文件的程序（xdg-open）。");
             }
           }});
  engine::RegisterEmbeddedServers(services, &events);

  // The main window: the generation window's page images are our own text pages; LibreOffice
  // starts when the window is up and reads a .doc template as soon as it is chosen.
  const ui::WindowContext context{
      .host = host,
      .events = events,
      .state = state,
      .clock = app::SystemTime,
      .facts = {!engine::SofficeProgram().empty(), !engine::DefaultPrinter().empty()},
      .pages = pages,
      .template_reader =
          [&services](const std::string& path) {
            return ui::TemplateParagraphs(services.conversions(), path);
          },
      .office_starter = [&services] { ui::StartOneOffice(services.pool()); },
      .template_preparer = ui::LibreOfficePreparer(services.conversions()),
      .settings = settings,
      .mail_passwords = mail_passwords,
      .progress = progress,
      .deferred = &services.deferred_work(),
  };
  // Made by the open event, once it has found the program's folders.
  open_main_window = [&] {
    window = new ui::w_vexlo(context);
    window->setAttribute(Qt::WA_DeleteOnClose);
    host.SetMainWindow(window);
    window->OpenWindow();
  };

  events.RunGuarded({"vexlo", "", "create"}, [&] { vexlo.create(); });
  events.RunGuarded({"vexlo", "", "open"}, [&] {
    vexlo.open(QCoreApplication::arguments().mid(1).join(' ').toStdString());
  });
  // Files named on the command line fill their fields once the window is up.
  events.Post({"vexlo", "", "open"}, [&] {
    if (window != nullptr) ui::FillFields(*window, launch);
  });

  int rc = 0;
  if (!QApplication::topLevelWidgets().isEmpty()) rc = qt.exec();
  events.RunGuarded({"vexlo", "", "destroy"}, [&] { vexlo.destroy(); });
  // The engine ends while its failures (a save still held that cannot be written) are reported.
  events.RunGuarded({"vexlo", "", "destroy"}, [&] { services.Shutdown(); });
  events.ClearPosted();
  return rc;
}
