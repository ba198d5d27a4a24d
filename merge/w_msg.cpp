#include "merge/w_msg.h"

#include <QLabel>

namespace vexlo::merge {

w_msg::w_msg() {
  setWindowTitle("vexlo");
  p_1 = new QLabel(this);
  p_1->setGeometry(0, 0, 480, 120);
  st_1 = new QLabel(this);
  st_1->setGeometry(186, 48, 287, 20);
  resize(480, 121);
}

void w_msg::open(std::string_view text) {
  st_1->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  show();
}

void w_msg::wf_close() {
  close();
  deleteLater();
}

}  // namespace vexlo::merge
