#include "ui/main/qt_host.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

namespace vexlo::ui {
namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

QtHost::QtHost(std::function<void()> end_program) : end_program_(std::move(end_program)) {}

void QtHost::MessageBox(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Information, Q(title), Q(text), QMessageBox::Ok, window_);
  box.exec();
}

bool QtHost::AskYesNo(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                  window_);
  box.setDefaultButton(QMessageBox::Yes);
  box.button(QMessageBox::Yes)->setText("是(&Y)");
  box.button(QMessageBox::No)->setText("否(&N)");
  return box.exec() == QMessageBox::Yes;
}

void QtHost::EndProgram() {
  if (end_program_) end_program_();
}

}  // namespace vexlo::ui
