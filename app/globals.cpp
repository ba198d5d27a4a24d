#include "app/globals.h"

namespace vexlo::app {

std::string as_currentpath;
std::string as_datapath;
ErrorRecord error;
MessageRecord message;

}  // namespace vexlo::app
