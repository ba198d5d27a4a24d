// Registers the embedded servers "excel.application" and "word.application" with the automation
// gateway, each given the parts of `services` it uses. Called once at start by every program
// (window, CLI) and by tests that need them; `services` outlives every use of the servers.
#ifndef VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
#define VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_

namespace vexlo::engine {

class EngineServices;

// Each server's own registration: RegisterSpreadsheetServer (sheet/spreadsheet_server.h) and
// RegisterWordServer (word/word_application.h).
void RegisterEmbeddedServers(EngineServices& services);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_REGISTER_SERVERS_H_
