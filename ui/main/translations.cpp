#include "ui/main/translations.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>

namespace vexlo::ui {
namespace {

// Texts of the file dialog's type column that Qt's own Chinese catalogue lacks.
class FileTypeTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (context == nullptr || source == nullptr ||
        std::strcmp(context, "QAbstractFileIconProvider") != 0) {
      return {};
    }
    static const struct {
      const char* source;
      const char* text;
    } kTexts[] = {{"Folder", "文件夹"}, {"File Folder", "文件夹"}, {"Drive", "驱动器"},
                  {"Shortcut", "快捷方式"}, {"Alias", "快捷方式"}, {"Unknown", "未知"},
                  {"File", "文件"}, {"%1 File", "%1 文件"}};
    for (const auto& entry : kTexts) {
      if (std::strcmp(source, entry.source) == 0) return QString::fromUtf8(entry.text);
    }
    return {};
  }
};

}  // namespace

bool LoadQtTranslations() {
  QCoreApplication::installTranslator(new FileTypeTexts(QCoreApplication::instance()));
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

void SetChineseLabels(QFileDialog& dialog) {
  dialog.setLabelText(QFileDialog::LookIn, "查找范围：");
  dialog.setLabelText(QFileDialog::FileName,
                      dialog.fileMode() == QFileDialog::Directory ? "文件夹：" : "文件名：");
  dialog.setLabelText(QFileDialog::FileType, "文件类型：");
  dialog.setLabelText(QFileDialog::Accept, dialog.fileMode() == QFileDialog::Directory ? "选择" : "打开");
  dialog.setLabelText(QFileDialog::Reject, "取消");
}

}  // namespace vexlo::ui
