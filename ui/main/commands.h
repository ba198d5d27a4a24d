// The commands behind the main window's icon buttons and the print option: choosing the data
// file, the template and the output folder by dialog, opening the chosen files (or the bundled
// examples) for editing through their server, showing the output folder, and enabling the copies
// field. They talk to the user and read and write the fields only through the host, so they run
// the same in the window and in the tests. Expected failures are answered by a message box and
// end the command; errors of the server while it opens a file propagate as run-time errors.
// UI thread only.
#ifndef VEXLO_UI_MAIN_COMMANDS_H_
#define VEXLO_UI_MAIN_COMMANDS_H_

#include <memory>

#include "office/oleobject.h"

namespace vexlo::ui {

using ServerHandle = std::unique_ptr<office::oleobject>;

void ChooseDataFile();        // uo_1
void ChooseTemplate();        // uo_3
void ChooseOutputFolder();    // uo_5
void ShowOutputFolder();      // uo_8
// uo_2 and uo_4: the file of sle_1 in the spreadsheet server, of sle_2 in the word processor.
// A handle the start-up check left null is created here.
void OpenDataFile(ServerHandle& excelserver);
void OpenTemplate(ServerHandle& wordserver);
// uo_9 and uo_10: the bundled example becomes the input, then opens like the above.
void UseExampleData(ServerHandle& excelserver);
void UseExampleTemplate(ServerHandle& wordserver);
// cbx_2 clicked: em_1 is enabled exactly when cbx_2 is checked.
void ToggleCopies();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_COMMANDS_H_
