#include "app/version.h"

namespace vexlo::app {

const char* Version() { return VEXLO_VERSION; }

}  // namespace vexlo::app
