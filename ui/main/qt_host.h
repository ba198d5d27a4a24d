// QtHost: the host of the windowed program. Message boxes and dialogs are Qt's, modal to the
// main window; field reads go to the main window's controls.
#ifndef VEXLO_UI_MAIN_QT_HOST_H_
#define VEXLO_UI_MAIN_QT_HOST_H_

#include <QPointer>
#include <functional>

#include "app/host.h"

class QWidget;

namespace vexlo::ui {

class QtHost : public app::Host {
 public:
  // `end_program` closes the windows and leaves the event loop (see app/gui/main.cpp).
  explicit QtHost(std::function<void()> end_program);

  // The window that owns the boxes and holds the fields; may be null.
  void SetMainWindow(QWidget* window) { window_ = window; }

  void MessageBox(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  void EndProgram() override;

 private:
  std::function<void()> end_program_;
  QPointer<QWidget> window_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_QT_HOST_H_
