#include "ui/main/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/chrome/shell_open.h"
#include "ui/main/progress_display.h"
#include "ui/main/translations.h"

namespace vexlo::ui {
namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

QStringList NameFilters(std::string_view pairs) {
  const QStringList parts = Q(pairs).split(',');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString pattern = parts[i + 1].trimmed();
    if (pattern.isEmpty()) continue;
    filters << (description.contains('(' + pattern + ')')
                    ? description
                    : description + " (" + pattern + ")");
  }
  return filters;
}

QtHost::QtHost(std::function<void()> end_program, const ActiveProgress* progress)
    : end_program_(std::move(end_program)), progress_(progress) {}

// A box belongs to the window the user is working in: while the progress window is up, a box
// owned by the main window would bring the main window in front of it when it closes.
QWidget* QtHost::BoxOwner() const {
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr ? modal : window_.data();
}

void QtHost::MessageBox(std::string_view title, std::string_view text) {
  // An error says so by its icon too; guidance and results keep the information one.
  const QMessageBox::Icon icon =
      title == "错误提示" ? QMessageBox::Warning : QMessageBox::Information;
  QMessageBox box(icon, Q(title), Q(text), QMessageBox::Ok, BoxOwner());
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool QtHost::AskYesNo(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                  BoxOwner());
  box.setDefaultButton(QMessageBox::Yes);
  box.button(QMessageBox::Yes)->setText("是(&Y)");
  box.button(QMessageBox::No)->setText("否(&N)");
  return box.exec() == QMessageBox::Yes;
}

void QtHost::EndProgram() {
  if (end_program_) end_program_();
}

std::string QtHost::FileOpenDialog(std::string_view title, std::string_view default_ext,
                                   std::string_view filter, std::string_view start_folder) {
  QFileDialog dialog(window_, Q(title), Q(start_folder));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  SetChineseLabels(dialog);
  dialog.setDefaultSuffix(Q(default_ext));
  const QStringList filters = NameFilters(filter);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

bool QtHost::FolderDialog(std::string_view title, std::string& folder) {
  // A starting folder that does not exist here leaves the dialog at its own default.
  QFileDialog dialog(window_, Q(title), Q(folder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  SetChineseLabels(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  folder = dialog.selectedFiles().front().toStdString();
  return true;
}

void QtHost::ShellOpenFolder(std::string_view folder) {
  if (!shellexecute(folder)) {
    MessageBox("错误提示", "无法打开文件夹“" + std::string(folder) +
                               "”：没有找到桌面的文件管理器（xdg-open）。");
  }
}

void QtHost::KeepAlive(int, int) {
  if (ProgressDisplay* display = progress_ != nullptr ? progress_->display() : nullptr) {
    return display->Repaint();
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vexlo::ui
