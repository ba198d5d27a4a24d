// The sheet list beside the data field: filled with the worksheets of the workbook the field
// names whenever the field changes (dialog, drop, paste, example, remembered or launch path),
// the sheet the workbook was saved with in front chosen. UI thread only.
#ifndef VEXLO_UI_MAIN_SHEET_LIST_H_
#define VEXLO_UI_MAIN_SHEET_LIST_H_

#include <string>

class QComboBox;

namespace vexlo::ui {

// Puts the sheets of the workbook at `path` into `box` and chooses the active one. A blank path
// or a file that opens as no workbook empties the list (the run says what is wrong with it).
void FillSheetList(QComboBox& box, const std::string& path);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_SHEET_LIST_H_
