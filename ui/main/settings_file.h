// The window's settings file ($XDG_CONFIG_HOME/vexlo/vexlo.conf, else ~/.config/vexlo/vexlo.conf),
// checked once per session before anything reads it: only a regular file is ever opened (a named
// pipe would keep the window from appearing, a folder or a device is no settings file). A regular
// file that cannot be read or parsed is set aside under "vexlo.conf.损坏-<time>" and the session
// starts with defaults; anything else at that path is left as it is and ignored, and the session's
// settings are then not saved. UI thread only.
#ifndef VEXLO_UI_MAIN_SETTINGS_FILE_H_
#define VEXLO_UI_MAIN_SETTINGS_FILE_H_

#include <string>

namespace vexlo::ui {

// The path of the settings file.
std::string SettingsFilePath();

// Runs the check when it has not run this session; returns what the user is to be told about
// it (plain Chinese, "" when the file was fine or missing, and "" on every later call).
std::string CheckSettingsFile();

// Whether the settings may be read and written this session (runs the check when it has not run).
bool SettingsUsable();

// Forgets the check, so that the next call runs it again. For tests.
void ForgetSettingsCheck();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_SETTINGS_FILE_H_
