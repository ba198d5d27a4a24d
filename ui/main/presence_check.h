// The Office presence check that the main window runs once it is on screen: can the spreadsheet
// server be reached, and the word-processor server twice? Each step creates its handle, attaches
// to a running server or else starts one (and lets it go at once); the first step that fails
// shows its message and ends the check, leaving the later handles null. UI thread only.
#ifndef VEXLO_UI_MAIN_PRESENCE_CHECK_H_
#define VEXLO_UI_MAIN_PRESENCE_CHECK_H_

#include <memory>

#include "app/host.h"
#include "office/oleobject.h"

namespace vexlo::ui {

// Returns false when a step failed (its message has been shown).
bool OfficePresenceCheck(app::Host& host, std::unique_ptr<office::oleobject>& excelserver,
                         std::unique_ptr<office::oleobject>& wordserver,
                         std::unique_ptr<office::oleobject>& wordserver2);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PRESENCE_CHECK_H_
