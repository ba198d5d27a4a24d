// Registers the embedded servers "excel.application" and "word.application" with the automation
// gateway. Called once at start by every program (window, CLI) and by tests that need them.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
#define VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_

namespace vexlo::app {
class FailureReport;
}  // namespace vexlo::app

namespace vexlo::engine {

// `report` hears of failures that surface where nobody can catch them (a document's save that
// fails as the last handle lets go of the word processor); without one they go to stderr.
void RegisterEmbeddedServers(app::FailureReport* report = nullptr);

// Each server's own registration.
void RegisterSpreadsheetServer();  // "excel.application", office/engine/sheet/
void RegisterWordServer(app::FailureReport* report = nullptr);  // "word.application", word/

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
