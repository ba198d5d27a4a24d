// The program's version, as the build declares it (the CMake project version), and its name.
#ifndef VEXLO_APP_VERSION_H_
#define VEXLO_APP_VERSION_H_

namespace vexlo::app {

const char* Version();

// The product's name as the window, the title bar picture, the desktop menu and the manual pages
// show it; "vexlo" alone is the program's.
inline constexpr const char* kProductName = "vexlo 文档批量制作";

}  // namespace vexlo::app

#endif  // VEXLO_APP_VERSION_H_
