// Opens a folder in the desktop's file browser (the default verb of the shell). The result is
// not reported: a folder that does not exist simply opens nothing. UI thread only.
#ifndef VEXLO_UI_CHROME_SHELL_OPEN_H_
#define VEXLO_UI_CHROME_SHELL_OPEN_H_

#include <string_view>

namespace vexlo::ui {

void shellexecute(std::string_view folder);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_SHELL_OPEN_H_
