#include "ui/main/w_vexlo.h"

#include <QCloseEvent>

#include "app/event_guard.h"

namespace vexlo::ui {

w_vexlo::w_vexlo(QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle("vexlo");
  setFixedSize(712, 508);
}

w_vexlo::~w_vexlo() = default;

void w_vexlo::closeEvent(QCloseEvent* event) {
  app::RunGuarded({"w_vexlo", "", "close"}, [this] {
    excelserver.reset();
    wordserver.reset();
    wordserver2.reset();
  });
  event->accept();
}

}  // namespace vexlo::ui
