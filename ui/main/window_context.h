// What main() gives the main window and the parts it makes: the host that talks to the user, the
// event dispatch, the application's state (its folders), the clock, what the program found on
// this computer, how the generation window draws pages, and how LibreOffice is started and reads
// a .doc template, and the session's settings file. The window passes on the pieces each part needs. UI thread only.
#ifndef VEXLO_UI_MAIN_WINDOW_CONTEXT_H_
#define VEXLO_UI_MAIN_WINDOW_CONTEXT_H_

#include <functional>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/event_guard.h"
#include "app/host.h"
#include "office/deferred_work.h"
#include "ui/mail/mail_store.h"
#include "ui/main/banner.h"
#include "ui/main/page_preview.h"
#include "ui/main/progress_display.h"
#include "ui/main/settings_file.h"
#include "ui/main/template_readiness.h"

namespace vexlo::ui {

struct WindowContext {
  app::Host& host;
  app::Events& events;
  const app::AppState& state;
  app::Clock clock = app::SystemTime;
  DesktopFacts facts;
  // The generation window's page images, and the template's paragraphs for a page made before
  // the document can be read (none: no such page).
  PagePreview& pages;
  ParagraphReader template_reader;
  // Run once the window is up, to start LibreOffice ahead of need (none: nothing).
  std::function<void()> office_starter;
  // Starts reading a .doc template as soon as it is chosen (none: nothing ever waits).
  TemplatePreparer template_preparer;
  // The session's settings file: the remembered inputs and options.
  SettingsFile& settings;
  // The mail password, where no keyring keeps it.
  MailPasswords& mail_passwords;
  // The progress display of the run in progress, which the host repaints in long steps.
  ActiveProgress& progress;
  // What the engine's servers hold back to do in bulk, given to every run (nullptr: none).
  office::DeferredWork* deferred = nullptr;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_WINDOW_CONTEXT_H_
