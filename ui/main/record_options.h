// The main window's options for the records of a run, left of the start button:
// 选择记录和文件名… (the dialog of record_choice_dialog.h) and PDF加密 with the column whose
// value opens each record's PDF, all of it or its last characters. The column lists offer the
// titles of the data file chosen in the window, read when a list opens. The protection settings
// are remembered between sessions; the choice of records is not, so that no later run leaves
// people out without being asked. UI thread only.
#ifndef VEXLO_UI_MAIN_RECORD_OPTIONS_H_
#define VEXLO_UI_MAIN_RECORD_OPTIONS_H_

#include <QList>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "app/host.h"
#include "merge/merge_session.h"
#include "ui/main/record_choice_dialog.h"
#include "ui/main/settings_file.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace vexlo::ui {

class RecordOptions : public QObject {
 public:
  // Makes the controls on `window`. `data_path` tells the data file chosen now; `pdf_box` (同时
  // 输出为PDF文件) is ticked along with PDF加密, since protected PDFs are PDFs.
  RecordOptions(QWidget* window, app::Host& host, SettingsFile& settings,
                std::function<std::string()> data_path, QCheckBox* pdf_box);

  // The controls in tab order.
  QList<QWidget*> TabStops() const;
  // False, after telling the user, when the options are not complete (PDF加密 without a column).
  bool Ready();
  // Puts the choice, the name pattern and the protection into `request`.
  void Apply(merge::MergeRequest& request) const;
  // Opens the dialog; its 确定 takes what it shows.
  void ChooseRecords();
  const RecordSelection& selection() const { return selection_; }
  void SetSelection(const RecordSelection& selection);

  QPushButton* cb_records = nullptr;  // 选择记录和文件名…
  QCheckBox* cbx_protect = nullptr;   // PDF加密，密码列
  QComboBox* ddlb_password = nullptr;  // the password column
  QSpinBox* em_last = nullptr;        // 0: the whole value; N: its last N characters

 private:
  // The titles of the data file, read once per file and time it was written.
  std::vector<std::string> Titles();
  void Remember();

  app::Host& host_;
  SettingsFile& settings_;
  std::function<std::string()> data_path_;
  RecordSelection selection_;
  std::string titles_of_;  // the file and time the titles were read for
  std::vector<std::string> titles_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_RECORD_OPTIONS_H_
