// The commands behind the main window's icon buttons and the print option: choosing the data
// file, the template and the output folder by dialog, opening the chosen files (or the bundled
// examples) for editing through their server, showing the output folder, and enabling the copies
// field. They talk to the user and read and write the fields only through the host, so they run
// the same in the window and in the tests. Expected failures are answered by a message box and
// end the command; errors of the server while it opens a file propagate as run-time errors.
// UI thread only.
#ifndef VEXLO_UI_MAIN_COMMANDS_H_
#define VEXLO_UI_MAIN_COMMANDS_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/host.h"
#include "office/oleobject.h"

namespace vexlo::ui {

using ServerHandle = std::unique_ptr<office::oleobject>;

// How opening a file waits for it to be ready: runs `open` now or later (the window holds the
// template's opening until LibreOffice has read it). None: at once.
using OpenGate = std::function<void(const std::string& file, std::function<void()> open)>;

// The dialogs start in the folder of their field's file (or folder), else in the one the last
// file dialog was left in, else in DocumentsFolder().
void ChooseDataFile(app::Host& host);      // uo_1
void ChooseTemplate(app::Host& host);      // uo_3
void ChooseOutputFolder(app::Host& host);  // uo_5
std::string DocumentsFolder();  // the user's documents folder, else the home folder
// uo_8: the output folder, or `current_folder` (the start-up folder) when none is chosen.
void ShowOutputFolder(app::Host& host, const std::string& current_folder);
// uo_2 and uo_4: the file of sle_1 in the spreadsheet server, of sle_2 in the word processor.
// A handle the start-up check left null is created here.
void OpenDataFile(app::Host& host, ServerHandle& excelserver);
void OpenTemplate(app::Host& host, ServerHandle& wordserver, const OpenGate& gate = {});
// uo_9 and uo_10: the bundled example (in `data_folder`, the program's own files) becomes the
// input, then opens like the above.
void UseExampleData(app::Host& host, const std::string& data_folder, ServerHandle& excelserver);
void UseExampleTemplate(app::Host& host, const std::string& data_folder,
                        ServerHandle& wordserver, const OpenGate& gate = {});
// Whether a lower-case extension (".csv") is one of a data file.
bool IsDataFileExtension(std::string_view lower_ext);
// Files dropped on the window: each goes to the field of its kind (.xls/.xlsx/.csv data, .doc/.docx
// template, a folder the output folder); anything else is ignored. Returns how many were taken.
int DropPaths(app::Host& host, const std::vector<std::string>& paths);
// The field a dropped path belongs in ("sle_1", "sle_2", "sle_3"), or "" for none.
std::string DropTarget(const std::string& path, bool is_folder);
// A path as pasted from the clipboard: its first line, without surrounding blanks or quotes;
// a file:// address becomes its local path.
std::string PastedPath(std::string_view clipboard);

// cbx_2 clicked: em_1 is enabled exactly when cbx_2 is checked.
void ToggleCopies(app::Host& host);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_COMMANDS_H_
