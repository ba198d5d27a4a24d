#include "office/engine/register_servers.h"

#include "office/engine/engine_services.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/engine/word/word_application.h"

namespace vexlo::engine {

void RegisterEmbeddedServers(EngineServices& services, app::FailureReport* report) {
  RegisterSpreadsheetServer(services.sheet());
  RegisterWordServer(services.word(), report);
  // The servers' temporary folders that a killed run of an earlier process left go now.
  RemoveTempFoldersOfEndedProcesses();
}

}  // namespace vexlo::engine
