// Qt's own Chinese texts (file and folder dialogs, standard buttons, context menus), from the
// translations installed with Qt. UI thread; call once after the QApplication exists.
#ifndef VEXLO_UI_MAIN_TRANSLATIONS_H_
#define VEXLO_UI_MAIN_TRANSLATIONS_H_

namespace vexlo::ui {

// Installs Qt's zh_CN translations; false when they are not installed (Qt's texts stay English).
bool LoadQtTranslations();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_TRANSLATIONS_H_
