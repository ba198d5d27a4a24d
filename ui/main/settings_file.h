// The window's settings file ($XDG_CONFIG_HOME/vexlo/vexlo.conf, else ~/.config/vexlo/vexlo.conf),
// checked once per session before anything reads it: only a regular file is ever opened (a named
// pipe would keep the window from appearing, a folder or a device is no settings file). A regular
// file that cannot be read or parsed is set aside under "vexlo.conf.损坏-<time>" and the session
// starts with defaults; anything else at that path is left as it is and ignored, and the session's
// settings are then not saved. UI thread only.
#ifndef VEXLO_UI_MAIN_SETTINGS_FILE_H_
#define VEXLO_UI_MAIN_SETTINGS_FILE_H_

#include <memory>
#include <optional>
#include <string>

#include "app/clock.h"

class QSettings;

namespace vexlo::ui {

// The path of the settings file.
std::string SettingsFilePath();

// The settings file of one session; main() makes one and the window's parts share it.
class SettingsFile {
 public:
  // `clock` stamps the name a damaged file is set aside under.
  explicit SettingsFile(app::Clock clock = app::SystemTime) : clock_(std::move(clock)) {}

  // Runs the check when it has not run this session; returns what the user is to be told about
  // it (plain Chinese; nullopt when the file was fine or missing, and on every later call).
  std::optional<std::string> Check();
  // Whether the settings may be read and written this session (runs the check when it has not
  // run).
  bool Usable();
  // The settings, or nullptr when the file is not to be touched this session.
  std::unique_ptr<QSettings> Open();

 private:
  void Run();

  app::Clock clock_;
  bool done_ = false;
  bool usable_ = true;
  std::string note_;  // not yet told
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_SETTINGS_FILE_H_
