// Registers the embedded servers "excel.application" and "word.application" with the automation
// gateway, each given the parts of `services` it uses. Called once at start by every program
// (window, CLI) and by tests that need them; `services` outlives every use of the servers.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
#define VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_

namespace vexlo::app {
class FailureReport;
}  // namespace vexlo::app

namespace vexlo::engine {

class EngineServices;

// Each server's own registration: RegisterSpreadsheetServer (sheet/spreadsheet_server.h) and
// RegisterWordServer (word/word_application.h). `report` hears of failures that surface where
// nobody can catch them (a document's save that fails as the last handle lets go of the word
// processor); without one they go to stderr.
void RegisterEmbeddedServers(EngineServices& services, app::FailureReport* report = nullptr);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
