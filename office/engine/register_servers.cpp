#include "office/engine/register_servers.h"

#include "office/deferred_work.h"
#include "office/engine/word/deferred_output.h"

namespace vexlo::engine {

void RegisterEmbeddedServers() {
  RegisterSpreadsheetServer();
  RegisterWordServer();
  office::SetDeferredWork(&word::WordDeferredWork());
}

}  // namespace vexlo::engine
