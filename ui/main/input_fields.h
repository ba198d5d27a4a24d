// The window's inputs as values: the three paths, the sheet, the copies and the options. The
// window reads its controls into a MergeRequest in one function and writes one back in one
// function; the commands, the remembered inputs and the launch arguments work on those values,
// never on a control by name. UI thread only.
#ifndef VEXLO_UI_MAIN_INPUT_FIELDS_H_
#define VEXLO_UI_MAIN_INPUT_FIELDS_H_

#include "merge/merge_session.h"

namespace vexlo::ui {

class InputFields {
 public:
  virtual ~InputFields() = default;

  // sle_1, ddlb_1, sle_2, sle_3, em_1 and cbx_1 .. cbx_7 as they stand (with the records' choice
  // and the PDFs' protection). `mail` holds the saved mail settings, without the password, when
  // 发送邮件 is ticked. The current folder and the clock are not the fields': the caller adds
  // them.
  virtual merge::MergeRequest ReadInputs() const = 0;
  // Puts `inputs` into the controls: the paths, the copies and the options as they are; the sheet
  // only when it is named and the data file's list has it; 发送邮件 ticked when `mail` is set.
  virtual void WriteInputs(const merge::MergeRequest& inputs) = 0;
  // Sends the user back to a field.
  virtual void FocusField(merge::MergeField field) = 0;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_INPUT_FIELDS_H_
