// The commands behind the main window's icon buttons: choosing the data file, the template and
// the output folder by dialog, opening the chosen files (or the bundled examples) for editing
// through their server, showing the output folder, and taking dropped files. They talk to the
// user through the host and work on the window's inputs as values (input_fields.h), so they run
// the same in the window and in the tests. Expected failures are answered by a message box and
// end the command; errors of the server while it opens a file propagate as run-time errors.
// UI thread only.
#ifndef VEXLO_UI_MAIN_COMMANDS_H_
#define VEXLO_UI_MAIN_COMMANDS_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/host.h"
#include "merge/merge_session.h"
#include "office/oleobject.h"
#include "ui/main/input_fields.h"
#include "ui/main/settings_file.h"

namespace vexlo::ui {

using ServerHandle = std::unique_ptr<office::oleobject>;

// How opening a file waits for it to be ready: runs `open` now or later (the window holds the
// template's opening until LibreOffice has read it). None: at once.
using OpenGate = std::function<void(const std::string& file, std::function<void()> open)>;

class Commands {
 public:
  // The examples are found in the program's own folder (state.as_datapath); a blank output folder
  // stands for the start-up folder (state.as_currentpath).
  // The folder a file dialog was last left in is kept in `settings`.
  Commands(app::Host& host, InputFields& fields, const app::AppState& state,
           SettingsFile& settings)
      : host_(host), fields_(fields), state_(state), settings_(settings) {}

  // The dialogs start in the folder of their field's file (or folder), else in the one the last
  // file dialog was left in, else in DocumentsFolder().
  void ChooseDataFile();      // uo_1
  void ChooseTemplate();      // uo_3
  void ChooseOutputFolder();  // uo_5
  void ShowOutputFolder();    // uo_8
  // uo_2 and uo_4: the data file in the spreadsheet server, the template in the word processor.
  // A handle the start-up check left null is created here.
  void OpenDataFile(ServerHandle& excelserver);
  void OpenTemplate(ServerHandle& wordserver, const OpenGate& gate = {});
  // uo_9 and uo_10: the bundled example becomes the input, then opens like the above.
  void UseExampleData(ServerHandle& excelserver);
  void UseExampleTemplate(ServerHandle& wordserver, const OpenGate& gate = {});
  // Files dropped on the window: each goes to the field of its kind (.xls/.xlsx/.csv data,
  // .doc/.docx template, a folder the output folder); anything else is ignored. Returns how
  // many were taken.
  int DropPaths(const std::vector<std::string>& paths);

  // How the two editing commands differ (commands.cpp).
  struct EditTarget;

 private:
  void OpenForEditing(const EditTarget& target, ServerHandle& server, const OpenGate& gate);
  void UseExample(const char* relative, const EditTarget& target, ServerHandle& server,
                  const OpenGate& gate);
  void OpenGated(const std::string& file, const EditTarget& target, ServerHandle& server,
                 const OpenGate& gate);
  void OpenThroughServer(const std::string& file, const EditTarget& target, ServerHandle& server);
  void ChooseFile(merge::MergeField field, std::string_view title, std::string_view default_ext,
                  std::string_view filter);

  app::Host& host_;
  InputFields& fields_;
  const app::AppState& state_;
  SettingsFile& settings_;
};

// The user's documents folder, else the home folder.
std::string DocumentsFolder();
// Whether a lower-case extension (".csv") is one of a data file.
bool IsDataFileExtension(std::string_view lower_ext);
// The field a dropped path belongs in (kData, kTemplate, kOutput), or none.
std::optional<merge::MergeField> DropTarget(const std::string& path, bool is_folder);
// The path a field of `inputs` holds (data, template or output folder).
std::string& PathOf(merge::MergeRequest& inputs, merge::MergeField field);
// A path as pasted from the clipboard: its first line, without surrounding blanks or quotes;
// a file:// address becomes its local path.
std::string PastedPath(std::string_view clipboard);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_COMMANDS_H_
