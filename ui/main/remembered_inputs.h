// The window's inputs kept between sessions: the three paths, the data sheet, the check boxes and
// the copies, and the folder a file dialog was last left in. Stored with QSettings in the settings
// file (settings_file.h: only when it is a usable regular file); read and written as the
// window's inputs (input_fields.h), so the window and the tests share them. UI thread only.
#ifndef VEXLO_UI_MAIN_REMEMBERED_INPUTS_H_
#define VEXLO_UI_MAIN_REMEMBERED_INPUTS_H_

#include <string>

#include "ui/main/input_fields.h"
#include "ui/main/settings_file.h"

namespace vexlo::ui {

// Puts the remembered inputs into the fields. A data file or template that is gone (or is no
// regular file) is left empty, an output folder that is gone keeps the field's text; nothing remembered, nothing changes.
// Returns whether anything was remembered.
bool RestoreInputs(SettingsFile& settings, InputFields& fields);
// Keeps the fields as they stand now.
void RememberInputs(SettingsFile& settings, const InputFields& fields);

// The folder of the last file chosen in a dialog, "" when none is known or it is gone.
std::string LastDialogFolder(SettingsFile& settings);
void RememberDialogFolder(SettingsFile& settings, const std::string& chosen_file);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_REMEMBERED_INPUTS_H_
