#include "ui/widgets/uo_picbutton2.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "app/event_guard.h"
#include "ui/chrome/current_message.h"
#include "ui/chrome/mouse_capture.h"

namespace vexlo::ui {
namespace {

int16_t Clamp16(double v) {
  return static_cast<int16_t>(std::clamp(static_cast<int>(std::floor(v)), -32768, 32767));
}

}  // namespace

uint32_t MouseKeyState(const QMouseEvent& event) {
  uint32_t flags = 0;
  if (event.buttons() & Qt::LeftButton) flags |= mk_lbutton;
  if (event.buttons() & Qt::RightButton) flags |= mk_rbutton;
  if (event.buttons() & Qt::MiddleButton) flags |= mk_mbutton;
  if (event.modifiers() & Qt::ShiftModifier) flags |= mk_shift;
  if (event.modifiers() & Qt::ControlModifier) flags |= mk_control;
  return flags;
}

uo_picbutton2::uo_picbutton2(app::Events& events, QWidget* parent)
    : QWidget(parent), events_(events) {
  resize(66, 62);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
}

uo_picbutton2::~uo_picbutton2() {
  if (getcapture() == this) {
    mouse_captured_ = false;
    releasecapture();
  }
}

void uo_picbutton2::setpicturename(const std::string& name) {
  picturename_ = name;
  QPixmap loaded;
  if (!name.empty() && loaded.load(QString::fromStdString(name))) {
    picture_ = loaded;
    if (originalsize_) resize(picture_.size());
  } else {
    picture_ = QPixmap();
  }
  update();
}

bool uo_picbutton2::Outside(int16_t xpos, int16_t ypos) const {
  return xpos < 0 || ypos < 0 || xpos > width() || ypos > height();
}

int32_t uo_picbutton2::mousemove(uint32_t flags, int16_t xpos, int16_t ypos) {
  if (!mouse_captured_) {
    setpicturename(flags == mk_lbutton ? pictures_.click_down : pictures_.mouse_over);
    state_ = State::kMouseOver;
    setcapture(this);
    mouse_captured_ = true;
  } else if (Outside(xpos, ypos)) {
    mouse_captured_ = false;
    releasecapture();
    state_ = State::kNormal;
    setpicturename(enabled_look_ ? pictures_.normal : pictures_.disabled);
  }
  return 1;
}

int32_t uo_picbutton2::lbuttondown(uint32_t, int16_t, int16_t) {
  if (mouse_captured_) {
    mouse_captured_ = false;
    releasecapture();
  }
  state_ = State::kPressed;
  setpicturename(pictures_.click_down);
  setcapture(this);
  mouse_captured_ = true;
  return 1;
}

int32_t uo_picbutton2::lbuttonup(uint32_t, int16_t xpos, int16_t ypos) {
  if (mouse_captured_) {
    mouse_captured_ = false;
    releasecapture();
  }
  if (Outside(xpos, ypos)) {
    state_ = State::kNormal;
    setpicturename(pictures_.normal);
  } else {
    state_ = State::kMouseOver;
    setpicturename(pictures_.mouse_over);
    setcapture(this);
    mouse_captured_ = true;
  }
  PostClicked();
  return 1;
}

int32_t uo_picbutton2::other(uint32_t message) {
  if (message == wm_capturechanged && mouse_captured_) {
    mouse_captured_ = false;
    state_ = State::kNormal;
    setpicturename(pictures_.normal);
    return 1;
  }
  return 0;
}

void uo_picbutton2::PostClicked() {
  QPointer<uo_picbutton2> self(this);
  events_.Post({owner_window_, "p_1", "clicked"}, [self] {
    if (self != nullptr && self->on_clicked) self->on_clicked();
  });
}

void uo_picbutton2::Handle(const char* event, uint32_t message, QMouseEvent* mouse,
                           const std::function<void(uint32_t, int16_t, int16_t)>& body) {
  const uint32_t flags = MouseKeyState(*mouse);
  const int16_t x = Clamp16(mouse->position().x());
  const int16_t y = Clamp16(mouse->position().y());
  MessageScope scope({this, message, flags, MakeLParam(x, y)});
  events_.RunGuarded({owner_window_, "p_1", event}, [&] { body(flags, x, y); });
  mouse->accept();
}

bool uo_picbutton2::event(QEvent* e) {
  if (e->type() == CaptureChangedEvent()) {
    MessageScope scope({this, wm_capturechanged, 0, 0});
    events_.RunGuarded({owner_window_, "p_1", "other"}, [&] { other(wm_capturechanged); });
    return true;
  }
  return QWidget::event(e);
}

void uo_picbutton2::mouseMoveEvent(QMouseEvent* e) {
  Handle("mousemove", wm_mousemove, e, [this](uint32_t flags, int16_t x, int16_t y) {
    mousemove(flags, x, y);
    if (on_mousemove) on_mousemove(flags, x, y);
  });
}

void uo_picbutton2::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  Handle("lbuttondown", wm_lbuttondown, e,
         [this](uint32_t flags, int16_t x, int16_t y) { lbuttondown(flags, x, y); });
}

void uo_picbutton2::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  Handle("lbuttonup", wm_lbuttonup, e,
         [this](uint32_t flags, int16_t x, int16_t y) { lbuttonup(flags, x, y); });
}

void uo_picbutton2::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}

}  // namespace vexlo::ui
