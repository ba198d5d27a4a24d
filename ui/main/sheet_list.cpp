#include "ui/main/sheet_list.h"

#include <QComboBox>

#include "merge/blank.h"
#include "merge/file_probe.h"
#include "merge/sheet_choice.h"

namespace vexlo::ui {

void FillSheetList(QComboBox& box, const std::string& path) {
  merge::SheetList sheets;
  if (!merge::IsBlank(path) && merge::FileExists(path)) sheets = merge::SheetsOfFile(path);
  box.clear();
  for (const std::string& name : sheets.names) box.addItem(QString::fromStdString(name));
  box.setCurrentIndex(sheets.active >= 0 ? sheets.active : 0);
  box.setEnabled(box.count() > 0);
}

}  // namespace vexlo::ui
