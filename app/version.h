// The program's version, as the build declares it (the CMake project version).
#ifndef VEXLO_APP_VERSION_H_
#define VEXLO_APP_VERSION_H_

namespace vexlo::app {

const char* Version();

}  // namespace vexlo::app

#endif  // VEXLO_APP_VERSION_H_
