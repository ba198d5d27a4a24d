#include "ui/main/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vexlo::ui {

bool LoadQtTranslations() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  // "qt_zh_CN" gathers the modules' catalogues (qtbase, ...); "qtbase_zh_CN" alone will do.
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* name : {"qt_zh_CN", "qtbase_zh_CN"}) {
    if (translator->load(name, folder)) {
      QCoreApplication::installTranslator(translator);
      return true;
    }
  }
  delete translator;
  return false;
}

}  // namespace vexlo::ui
