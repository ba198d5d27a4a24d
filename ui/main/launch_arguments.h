// What vexlo does with its command line. --version and --help print their text and end the
// program before any window exists (they need no display). Paths of a workbook (.xls, .xlsx) and
// of a template (.doc, .docx), as the desktop passes them to "open with", fill the data and the
// template fields once the window is open. Every other argument is ignored.
#ifndef VEXLO_UI_MAIN_LAUNCH_ARGUMENTS_H_
#define VEXLO_UI_MAIN_LAUNCH_ARGUMENTS_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/main/input_fields.h"

namespace vexlo::ui {

struct LaunchArguments {
  std::optional<std::string> print;  // --version or --help: this text, then the program ends
  std::string data;                  // the first workbook, absolute; empty: none
  std::string templ;                 // the first template, absolute; empty: none
};

// Reads the arguments after the program name; relative paths are taken below `cwd`.
LaunchArguments ParseLaunchArguments(const std::vector<std::string>& args,
                                     const std::filesystem::path& cwd);

// Puts the workbook into the data field and the template into the template field; an empty
// path leaves its field as it is.
void FillFields(InputFields& fields, const LaunchArguments& launch);

// main's first call: the program's arguments, read below the current folder. When `print` is
// set (--version, --help) main prints it and ends before any window exists; otherwise main
// fills the fields once the window is open.
LaunchArguments ReadLaunchArguments(int argc, char** argv);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_LAUNCH_ARGUMENTS_H_
