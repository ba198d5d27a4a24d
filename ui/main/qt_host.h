// QtHost: the host of the windowed program. Message boxes and dialogs are Qt's, modal to the
// main window. UI thread only.
#ifndef VEXLO_UI_MAIN_QT_HOST_H_
#define VEXLO_UI_MAIN_QT_HOST_H_

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "app/host.h"

class QWidget;

namespace vexlo::ui {

class ActiveProgress;

class QtHost : public app::Host {
 public:
  // `end_program` closes the windows and leaves the event loop (see gui/main.cpp). While
  // `progress` has a display, KeepAlive repaints that one.
  explicit QtHost(std::function<void()> end_program, const ActiveProgress* progress = nullptr);

  // The window that owns the boxes; may be null.
  void SetMainWindow(QWidget* window) { window_ = window; }

  void MessageBox(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  void EndProgram() override;
  std::string FileOpenDialog(std::string_view title, std::string_view default_ext,
                             std::string_view filter, std::string_view start_folder) override;
  bool FolderDialog(std::string_view title, std::string& folder) override;
  void ShellOpenFolder(std::string_view folder) override;
  void KeepAlive(int done, int total) override;

 private:
  QWidget* BoxOwner() const;

  std::function<void()> end_program_;
  const ActiveProgress* progress_;
  QPointer<QWidget> window_;
};

// Qt name filters from comma-separated pairs of description and pattern:
// "Excel 文件 (*.xlsx),*.xlsx" gives "Excel 文件 (*.xlsx)".
QStringList NameFilters(std::string_view pairs);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_QT_HOST_H_
