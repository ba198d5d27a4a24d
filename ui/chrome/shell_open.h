// Opens a folder in the desktop's file browser (the default verb of the shell). Returns false
// when no desktop launcher could be started; what the launcher then does is not reported.
// UI thread only.
#ifndef VEXLO_UI_CHROME_SHELL_OPEN_H_
#define VEXLO_UI_CHROME_SHELL_OPEN_H_

#include <string_view>

namespace vexlo::ui {

bool shellexecute(std::string_view folder);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_SHELL_OPEN_H_
