#include "ui/widgets/uo_icobutton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "app/event_guard.h"
#include "ui/widgets/uo_picbutton2.h"
#include "ui/widgets/uo_tooltip.h"

namespace vexlo::ui {
namespace {

const QColor kFace(247, 245, 230);
const QColor kCaptionHover(250, 249, 240);

void SetBackground(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, colour);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// Blank test: null or shorter than 1 after removing leading and trailing spaces.
bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

uo_icobutton::uo_icobutton(QWidget* parent, app::Events& events, const std::string& data_folder,
                           Values values)
    : QWidget(parent),
      s_up1(std::move(values.s_up1)),
      s_up2(std::move(values.s_up2)),
      s_up3(std::move(values.s_up3)),
      s_tag(std::move(values.s_tag)),
      s_text(std::move(values.s_text)),
      events_(events) {
  resize(38, 34);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::NoFocus);
  tooltip = std::make_unique<uo_tooltip>(events_);

  st_1 = new QLabel(this);
  st_1->setObjectName("st_1");
  st_1->setGeometry(25, 11, 52, 52);
  st_1->setFont(QFont("宋体", 9, QFont::Normal));
  st_1->setCursor(Qt::PointingHandCursor);
  st_1->hide();
  st_1->installEventFilter(this);

  p_1 = new uo_picbutton2(events_, this);
  p_1->setObjectName("p_1");
  p_1->setGeometry(0, 0, 38, 34);
  p_1->setCursor(Qt::PointingHandCursor);
  p_1->on_mousemove = [this](uint32_t, int16_t, int16_t) { PictureMouseMove(); };
  p_1->on_clicked = [this] { emit ue_clicked(); };

  // constructor
  SetBackground(this, kFace);
  SetBackground(st_1, kFace);
  ApplyValues(data_folder + "/");
}

uo_icobutton::~uo_icobutton() = default;

void uo_icobutton::ApplyValues(const std::string& folder) {
  p_1->setpicturename(folder + s_up1);
  p_1->set_pictures({folder + s_up1, folder + s_up3, folder + s_up2, folder + s_up2});
  p_1->set_tag(s_tag);
  st_1->setText(QString::fromStdString(s_text));
}

void uo_icobutton::ue_flash() { ApplyValues(""); }

void uo_icobutton::ue_enabled(std::optional<bool> b_enabled) {
  if (b_enabled.value_or(false)) {
    p_1->set_enabled_look(true);
    p_1->setpicturename(s_up1);
  } else {
    p_1->set_enabled_look(false);
    p_1->setpicturename(s_up3);
  }
}

void uo_icobutton::PictureMouseMove() {
  SetBackground(st_1, kCaptionHover);
  if (!Blank(s_tag)) {
    tooltip->controlregister(p_1, p_1->tag(), 0);
    tooltip->showtip(p_1);
  }
}

bool uo_icobutton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == st_1 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      st_1->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    events_.RunGuarded({"uo_icobutton", "st_1", "clicked"}, [this] { emit ue_clicked(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void uo_icobutton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
      (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
    if (!event->isAutoRepeat()) emit ue_clicked();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace vexlo::ui
