#include "ui/main/w_msg.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace vexlo::ui {
namespace {

const QColor kBlue(41, 49, 132);

// "output.jpg" from the program's resources; while a build has none, a picture of the same size
// in the blue of the text band.
QPixmap OutputPicture() {
  QPixmap picture(":/images/output.jpg");
  if (picture.isNull()) {
    picture = QPixmap(480, 120);
    picture.fill(kBlue);
  }
  return picture;
}

}  // namespace

w_msg::w_msg() {
  setAttribute(Qt::WA_DeleteOnClose);
  p_1 = new QLabel(this);
  p_1->setGeometry(0, 0, 480, 120);
  p_1->setFocusPolicy(Qt::NoFocus);

  st_1 = new QLabel(this);
  st_1->setGeometry(186, 48, 287, 20);
  st_1->setFocusPolicy(Qt::NoFocus);
  QFont font;
  font.setFamilies({"宋体", "Noto Serif CJK SC"});
  font.setPointSize(11);
  font.setWeight(QFont::Normal);
  st_1->setFont(font);
  st_1->setAutoFillBackground(true);
  QPalette palette = st_1->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  palette.setColor(QPalette::Window, QColor(128, 128, 128));
  st_1->setPalette(palette);
  st_1->setText("正在输出，可能需要较长时间，请稍候……");
  st_1->raise();  // in front of the picture
  resize(480, 121);
}

void w_msg::open(std::string_view text) {
  const QPixmap picture = OutputPicture();
  p_1->setPixmap(picture);
  p_1->resize(picture.size());
  setFixedSize(picture.size());

  QPalette palette = st_1->palette();
  palette.setColor(QPalette::Window, kBlue);
  st_1->setPalette(palette);
  st_1->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));

  show();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  // The merge runs synchronously right after this: paint now, without handling any input.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

void w_msg::wf_close() { close(); }

}  // namespace vexlo::ui
