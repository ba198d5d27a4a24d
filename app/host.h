// Host: everything the program's logic asks of the person in front of it, and of the window.
// The window implements it with Qt, the headless CLI with the console, the tests with a scripted
// fake that records what was shown and answers for the user. main() makes one and passes it to
// whoever talks to the user. UI thread only.
#ifndef VEXLO_APP_HOST_H_
#define VEXLO_APP_HOST_H_

#include <string>
#include <string_view>

namespace vexlo::app {

class Host {
 public:
  virtual ~Host() = default;

  // A modal box with `title`, `text` and an OK button.
  virtual void MessageBox(std::string_view title, std::string_view text) = 0;
  // A modal box with Yes and No, Yes the default. Returns true for Yes.
  virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
  // Ends the program in the orderly way: open windows run their close processing, then the
  // application's destroy event runs and the process ends once control is back in the loop.
  virtual void EndProgram() = 0;

  // Dialogs. The file dialog starts in `start_folder` and returns the full path, or "" when
  // cancelled; `filter` is given as comma-separated pairs of description and pattern. The folder
  // dialog starts at `folder` and, when the user confirms, puts the choice there and returns true.
  virtual std::string FileOpenDialog(std::string_view title, std::string_view default_ext,
                                     std::string_view filter, std::string_view start_folder);
  virtual bool FolderDialog(std::string_view title, std::string& folder);
  // Opens a folder in the desktop's file browser.
  virtual void ShellOpenFolder(std::string_view folder);

  // Called now and then during a long synchronous step: lets windows repaint and reports how far
  // it is (`done` of `total`, total -1 when unknown). No input is handled and no posted call runs
  // here.
  virtual void KeepAlive(int done, int total);
};

}  // namespace vexlo::app

#endif  // VEXLO_APP_HOST_H_
