#include "app/globals.h"

namespace vexlo::app {

std::string as_currentpath;
ErrorRecord error;
MessageRecord message;

}  // namespace vexlo::app
