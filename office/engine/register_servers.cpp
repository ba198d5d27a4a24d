#include "office/engine/register_servers.h"

#include "office/engine/package/temp_folder.h"

namespace vexlo::engine {

void RegisterEmbeddedServers(app::FailureReport* report) {
  RegisterSpreadsheetServer();
  RegisterWordServer(report);
  // The servers' temporary folders that a killed run of an earlier process left go now.
  RemoveTempFoldersOfEndedProcesses();
}

}  // namespace vexlo::engine
