// Where the program's own files are: the button pictures (resource/), the web panel's page
// (html/) and the examples (示例/). They are found from the running executable's location, never
// from the current folder, so vexlo works whatever folder it is started in: from the build tree,
// from an installed prefix, and from a package unpacked anywhere.
#ifndef VEXLO_APP_INSTALL_PATHS_H_
#define VEXLO_APP_INSTALL_PATHS_H_

#include <filesystem>
#include <string>

namespace vexlo::app {

// The folder of the running executable, symbolic links resolved; empty when the system cannot
// tell.
std::filesystem::path ExecutableFolder();

// The data folder for an executable that lies in `exe_folder`: the first of
//   exe_folder/../share/vexlo   an installed prefix (/usr/bin -> /usr/share/vexlo), or a package
//                               unpacked into any folder
//   exe_folder                  the build tree (the folders are linked in beside the programs),
//                               or a copy with the folders beside the program
// that holds a resource/ folder. When neither does, exe_folder: the files then count as missing
// and each user of them behaves as it does for a missing file.
std::filesystem::path FindDataFolder(const std::filesystem::path& exe_folder);

// FindDataFolder(ExecutableFolder()), lexically normalised, without a trailing separator.
std::string DataFolder();

// The per-user folder for files the program writes when the current folder cannot take them:
// $XDG_DATA_HOME/vexlo, else $HOME/.local/share/vexlo. Empty when neither variable is set.
std::filesystem::path UserDataFolder();

}  // namespace vexlo::app

#endif  // VEXLO_APP_INSTALL_PATHS_H_
