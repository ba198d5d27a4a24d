// What gui/main.cpp builds for the main window, made for a test: a scripted host, the event
// dispatch (errors logged to AppError.txt in the current folder and asked about through the
// host, as in the program), the application's folders, a fixed clock, and page images that
// read nothing. Nothing here is shared with another test.
#ifndef VEXLO_TESTS_UI_WINDOW_GRAPH_H_
#define VEXLO_TESTS_UI_WINDOW_GRAPH_H_

#include <string>

#include "app/app_state.h"
#include "app/clock.h"
#include "app/event_guard.h"
#include "app/gf_apperror.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_engine.h"
#include "ui/main/page_preview.h"
#include "ui/main/settings_file.h"
#include "ui/main/window_context.h"

namespace vexlo::test {

struct WindowGraph {
  WindowGraph() {
    state.as_currentpath = "/home/用户";
    state.as_datapath = "/srv/vexlo";
  }

  // The window's context; the parts a test changes (facts, preparer, ...) are set on it first.
  // `with` replaces the scripted host (a QtHost on the real controls).
  ui::WindowContext Context() { return Context(host); }
  ui::WindowContext Context(app::Host& with) {
    return {.host = with,
            .events = events,
            .state = state,
            .clock = clock,
            .facts = facts,
            .pages = pages,
            .template_reader = template_reader,
            .office_starter = office_starter,
            .template_preparer = template_preparer,
            .settings = settings,
            .mail_passwords = mail_passwords,
            .progress = progress,
            .deferred = deferred};
  }

  ScriptedHost host;
  app::AppState state;
  app::Clock clock = [] { return app::LocalTime{2026, 12, 7, 15, 30, 0}; };
  app::Events events{state.error, [this] { app::gf_apperror(state.error, host, clock); }};
  ui::DesktopFacts facts;
  ui::TextPagePreview pages{nullptr};
  ui::ParagraphReader template_reader;
  std::function<void()> office_starter;
  ui::TemplatePreparer template_preparer;
  ui::SettingsFile settings{clock};
  ui::MailPasswords mail_passwords;
  ui::ActiveProgress progress;
  // The test program's engine's, as main passes its own (a case may put a fake in its place).
  office::DeferredWork* deferred = &Engine().deferred_work();
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_UI_WINDOW_GRAPH_H_
