#include "ui/chrome/shell_open.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vexlo::ui {

bool shellexecute(std::string_view folder) {
  const QString path = QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()));
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace vexlo::ui
