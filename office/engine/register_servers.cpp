#include "office/engine/register_servers.h"

namespace vexlo::engine {

void RegisterEmbeddedServers() {
  RegisterSpreadsheetServer();
  RegisterWordServer();
}

}  // namespace vexlo::engine
