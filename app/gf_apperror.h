// gf_apperror: the last line of defence. Appends the error record (app_state.h) as one entry to
// "AppError.txt" in the current working directory (in the user's data folder when the current
// folder cannot take it, and the box then says where), then shows it and asks whether to leave.
// UI thread only; called by the application's systemerror.
#ifndef VEXLO_APP_GF_APPERROR_H_
#define VEXLO_APP_GF_APPERROR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/app_state.h"
#include "app/host.h"

namespace vexlo::app {

// Logs `error` with the time `clock` gives and asks `host`. Returns 1 when the user chooses to
// stay. When the user chooses to leave, asks the host to end the program and returns 0; the
// program ends once control is back in the event loop.
int16_t gf_apperror(const ErrorRecord& error, Host& host, const Clock& clock);

// The eleven lines of one log entry (UTF-8, no line ends), and the text of the box; a non-empty
// `log_note` (where the entry went, when not to the current folder) stands after the details.
std::vector<std::string> AppErrorEntry(const ErrorRecord& record, const LocalTime& when);
std::string AppErrorBoxText(const ErrorRecord& record, const std::string& log_note = "");

}  // namespace vexlo::app

#endif  // VEXLO_APP_GF_APPERROR_H_
