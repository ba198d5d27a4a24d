// The dialog "选择记录和文件名": which records a run makes (a condition on one column, ranges of
// sheet rows, rows of totals left out) and a pattern of titles the files are named by. It only
// edits a RecordSelection; the run applies it. UI thread only.
#ifndef VEXLO_UI_MAIN_RECORD_CHOICE_DIALOG_H_
#define VEXLO_UI_MAIN_RECORD_CHOICE_DIALOG_H_

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "merge/record_choice.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace vexlo::ui {

struct RecordSelection {
  merge::RecordChoice choice;
  std::string name_pattern;
  bool any() const { return choice.any() || !name_pattern.empty(); }
};

class RecordChoiceDialog : public QDialog {
 public:
  // `titles`: the data file's column titles (may be empty: a title can be typed).
  RecordChoiceDialog(const std::vector<std::string>& titles, const RecordSelection& selection,
                     QWidget* parent);

  // The selection as the fields stand; nullopt (and the reason shown in the dialog) when a
  // field cannot be read.
  std::optional<RecordSelection> Selection();

  // Empties every field.
  void Clear();

  QComboBox* ddlb_column = nullptr;  // the condition's column ("" : no condition)
  QComboBox* ddlb_how = nullptr;     // 等于 / 包含
  QLineEdit* sle_value = nullptr;
  QLineEdit* sle_rows = nullptr;
  QCheckBox* cbx_totals = nullptr;
  QLineEdit* sle_pattern = nullptr;
  QComboBox* ddlb_insert = nullptr;  // puts "{title}" into the pattern
  QLabel* st_error = nullptr;

 private:
  void Fill(const RecordSelection& selection);
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_RECORD_CHOICE_DIALOG_H_
