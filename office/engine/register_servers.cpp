#include "office/engine/register_servers.h"

#include "office/deferred_work.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/word/deferred_output.h"

namespace vexlo::engine {

void RegisterEmbeddedServers() {
  RegisterSpreadsheetServer();
  RegisterWordServer();
  office::SetDeferredWork(&word::WordDeferredWork());
  // The servers' temporary folders that a killed run of an earlier process left go now.
  RemoveTempFoldersOfEndedProcesses();
}

}  // namespace vexlo::engine
