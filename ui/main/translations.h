// Qt's own Chinese texts (file and folder dialogs, standard buttons, context menus), from the
// translations installed with Qt. UI thread; call once after the QApplication exists.
#ifndef VEXLO_UI_MAIN_TRANSLATIONS_H_
#define VEXLO_UI_MAIN_TRANSLATIONS_H_

class QFileDialog;

namespace vexlo::ui {

// Installs Qt's zh_CN translations; false when they are not installed (Qt's texts stay English).
// Also supplies the file dialog's type names ("文件夹") that Qt's catalogue lacks.
bool LoadQtTranslations();

// The labels of a dialog made by Qt itself (no desktop dialog) in Chinese, whether or not Qt's
// catalogue is installed. Call after its file mode is set.
void SetChineseLabels(QFileDialog& dialog);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_TRANSLATIONS_H_
