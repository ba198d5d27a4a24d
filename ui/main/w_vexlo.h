// w_vexlo: the program's one window. Frameless and skinned; closing it ends the program.
// Owns the three automation handles excelserver, wordserver and wordserver2.
#ifndef VEXLO_UI_MAIN_W_VEXLO_H_
#define VEXLO_UI_MAIN_W_VEXLO_H_

#include <QWidget>
#include <memory>

#include "office/oleobject.h"

namespace vexlo::ui {

class w_vexlo : public QWidget {
  Q_OBJECT

 public:
  explicit w_vexlo(QWidget* parent = nullptr);
  ~w_vexlo() override;

  // Null until the start-up check creates them.
  std::unique_ptr<office::oleobject> excelserver;
  std::unique_ptr<office::oleobject> wordserver;
  std::unique_ptr<office::oleobject> wordserver2;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_W_VEXLO_H_
