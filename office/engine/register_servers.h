// Registers the embedded servers "excel.application" and "word.application" with the automation
// gateway. Called once at start by every program (window, CLI) and by tests that need them.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
#define VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_

namespace vexlo::engine {

void RegisterEmbeddedServers();

// Each server's own registration.
void RegisterSpreadsheetServer();  // "excel.application", office/engine/sheet/
void RegisterWordServer();         // "word.application", office/engine/word/

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
