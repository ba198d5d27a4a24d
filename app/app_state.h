// The application object's state: the start-up folder, the folder of the program's own files,
// the error record that the error handler reads, and the message record that carries a parameter
// into a window. main() owns one and passes it to whoever reads it. UI thread only; no locking.
#ifndef VEXLO_APP_APP_STATE_H_
#define VEXLO_APP_APP_STATE_H_

#include <cstdint>
#include <string>

namespace vexlo::app {

// The six fields of the last run-time error, filled in before systemerror is raised.
struct ErrorRecord {
  int16_t number = 0;
  std::string text;     // message text
  std::string window;   // window or menu
  std::string control;  // object (control)
  std::string script;   // event or function
  int16_t line = 0;
};

// Carries a parameter into a window that is being opened (the progress window's text).
struct MessageRecord {
  std::string stringparm;
};

struct AppState {
  // The working directory at start-up, as the system reports it (no trailing separator except
  // at the root). Set once by the application's open event and never changed afterwards.
  std::string as_currentpath;
  // The folder of the program's own files (resource/, html/, 示例/), found from the executable's
  // location by the open event (install_paths.h); no trailing separator. The current folder
  // stays the user's: the default output folder and the error log.
  std::string as_datapath;
  ErrorRecord error;
  MessageRecord message;
};

}  // namespace vexlo::app

#endif  // VEXLO_APP_APP_STATE_H_
