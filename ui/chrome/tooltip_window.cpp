#include "ui/chrome/tooltip_window.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>
#include <QScreen>

#include "app/codepage.h"

namespace vexlo::ui {
namespace {

constexpr int kPadX = 9;
constexpr int kPadY = 6;
constexpr int kTail = 9;        // height of the balloon's tail
constexpr int kTailInset = 14;  // where the tail leaves the balloon, from the left edge
constexpr int kRadius = 5;

bool SameRect(const ui::rect& a, const ui::rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The balloon's outline inside a widget of `size`: a rounded box with a tail at the top left.
QPainterPath BalloonPath(QSize size, bool balloon) {
  QPainterPath path;
  if (!balloon) {
    path.addRect(QRectF(0, 0, size.width(), size.height()));
    return path;
  }
  const QRectF box(0.5, kTail + 0.5, size.width() - 1.0, size.height() - kTail - 1.0);
  QPainterPath body;
  body.addRoundedRect(box, kRadius, kRadius);
  QPainterPath tail;
  tail.moveTo(kTailInset, kTail + 1.5);
  tail.lineTo(kTailInset, 0.5);
  tail.lineTo(kTailInset + kTail + 4, kTail + 1.5);
  tail.closeSubpath();
  return body.united(tail);
}

// A modal dialog or a pop-up (menu, list) open over the window hides its tools.
bool ToolsCovered(const QWidget* control) {
  const QWidget* cover = QApplication::activeModalWidget();
  if (cover == nullptr) cover = QApplication::activePopupWidget();
  return cover != nullptr && cover != control->window();
}

}  // namespace

TooltipWindow::TooltipWindow(uint32_t ex_style, uint32_t style)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint |
                           ((ex_style & ws_ex_topmost) ? Qt::WindowStaysOnTopHint : Qt::Widget)),
      balloon_((style & tts_balloon) != 0) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setObjectName("tooltips_class32");
  delay_.setSingleShot(true);
  autopop_.setSingleShot(true);
  watch_.setInterval(100);
  connect(&delay_, &QTimer::timeout, this, &TooltipWindow::ShowTip);
  connect(&autopop_, &QTimer::timeout, this, [this] { hide(); });
  connect(&watch_, &QTimer::timeout, this, &TooltipWindow::CheckPointer);
  // A dialog or another window taking the focus covers the tool: its tip goes at once.
  connect(qApp, &QApplication::focusWindowChanged, this, [this](QWindow* focus) {
    if (active_uid_ == 0) return;
    if (active_control_ == nullptr || focus != active_control_->window()->windowHandle()) Pop();
  });
}


TooltipWindow::~TooltipWindow() = default;

intptr_t TooltipWindow::AddTool(const toolinfo& info) {
  if (info.cbsize < 40 || info.hwnd == nullptr) return 0;
  std::string text = info.lpsztext != nullptr ? std::string(info.lpsztext) : std::string();
  // Many registrations of one control with one text are common (one per mouse move): they share
  // one entry, and the ids are all kept.
  for (Tool& tool : tools_) {
    if (tool.key == info.hwnd && tool.control != nullptr && tool.uflags == info.uflags &&
        SameRect(tool.area, info.rect) && tool.text == text) {
      tool.ids.push_back(info.uid);
      return 1;
    }
  }
  tools_.push_back({info.hwnd, info.hwnd, info.uflags, info.rect, std::move(text), {info.uid}});
  return 1;
}

const TooltipWindow::Tool* TooltipWindow::ToolAt(const QWidget* control, int x, int y) const {
  for (const Tool& tool : tools_) {
    if (tool.key != control || tool.control == nullptr) continue;
    if (x >= tool.area.left && x < tool.area.right && y >= tool.area.top && y < tool.area.bottom) {
      return &tool;
    }
  }
  return nullptr;
}

void TooltipWindow::RelayEvent(const msg& message) {
  if (message.message != 512 || message.hwnd == nullptr) return;
  const int x = static_cast<int16_t>(message.lparam & 0xFFFF);
  const int y = static_cast<int16_t>(message.lparam >> 16);
  const Tool* tool = ToolAt(message.hwnd, x, y);
  if (tool == nullptr) {
    Pop();
    return;
  }
  if (tool->ids.front() == active_uid_ && active_control_ == message.hwnd) return;
  Pop();
  active_uid_ = tool->ids.front();
  active_control_ = tool->control;
  active_rect_ = tool->area;
  tip_text_ = QString::fromStdString(app::Cp936ToUtf8(tool->text));
  delay_.start(kInitialDelayMs);
  watch_.start();
}

void TooltipWindow::Pop() {
  delay_.stop();
  autopop_.stop();
  watch_.stop();
  active_uid_ = 0;
  active_control_ = nullptr;
  tip_text_.clear();
  hide();
}

void TooltipWindow::ShowTip() {
  if (active_control_ == nullptr || tip_text_.isEmpty()) return;
  if (ToolsCovered(active_control_)) return Pop();
  const QFontMetrics metrics(font());
  const QRect text = metrics.boundingRect(QRect(0, 0, 320, 2000), Qt::TextWordWrap, tip_text_);
  const int top = balloon_ ? kTail : 0;
  QSize size(text.width() + 2 * kPadX, text.height() + 2 * kPadY + top);
  size.setWidth(std::max(size.width(), kTailInset + kTail + 12));
  resize(size);
  setMask(QRegion(BalloonPath(size, balloon_).toFillPolygon().toPolygon()));

  // The tail points at the spot just under the pointer; the balloon stays on the screen.
  anchor_ = QCursor::pos();
  QPoint at(anchor_.x() - kTailInset, anchor_.y() + 18);
  if (const QScreen* screen = QGuiApplication::screenAt(anchor_)) {
    const QRect avail = screen->availableGeometry();
    at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - size.width())));
    if (at.y() + size.height() > avail.bottom()) at.setY(anchor_.y() - size.height() - 4);
  }
  move(at);
  show();
  raise();
  update();
  autopop_.start(kAutoPopMs);
}

void TooltipWindow::CheckPointer() {
  if (active_control_ == nullptr || !active_control_->isVisible() ||
      ToolsCovered(active_control_)) {
    Pop();
    return;
  }
  const QPoint local = active_control_->mapFromGlobal(QCursor::pos());
  if (local.x() < active_rect_.left || local.x() >= active_rect_.right ||
      local.y() < active_rect_.top || local.y() >= active_rect_.bottom) {
    Pop();
  }
}

void TooltipWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath path = BalloonPath(size(), balloon_);
  QLinearGradient fill(0, 0, 0, height());
  fill.setColorAt(0, QColor(255, 255, 255));
  fill.setColorAt(1, QColor(228, 229, 240));
  painter.fillPath(path, fill);
  painter.setPen(QPen(QColor(118, 118, 118), 1));
  painter.drawPath(path);
  painter.setPen(QColor(60, 60, 60));
  const int top = balloon_ ? kTail : 0;
  painter.drawText(QRect(kPadX, top + kPadY, width() - 2 * kPadX, height() - top - 2 * kPadY),
                   Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, tip_text_);
}

std::size_t TooltipWindow::ToolCount() const {
  std::size_t n = 0;
  for (const Tool& tool : tools_) n += tool.ids.size();
  return n;
}

std::vector<uint32_t> TooltipWindow::ToolIds(const QWidget* control) const {
  std::vector<uint32_t> ids;
  for (const Tool& tool : tools_) {
    if (tool.key == control) ids.insert(ids.end(), tool.ids.begin(), tool.ids.end());
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

ui::rect TooltipWindow::ToolRect(const QWidget* control) const {
  for (const Tool& tool : tools_) {
    if (tool.key == control) return tool.area;
  }
  return {};
}

void initcommoncontrols() {}

TooltipWindow* createwindowexa(uint32_t ex_style, uint32_t style) {
  return new TooltipWindow(ex_style, style);
}

void destroywindow(TooltipWindow* window) { delete window; }

intptr_t tooltipmsg(TooltipWindow* window, uint32_t message, uint32_t, const toolinfo& info) {
  if (window == nullptr || message != ttm_addtool) return 0;
  return window->AddTool(info);
}

intptr_t relaymsg(TooltipWindow* window, uint32_t message, uint32_t, const msg& message_record) {
  if (window == nullptr || message != ttm_relayevent) return 0;
  window->RelayEvent(message_record);
  return 0;
}

}  // namespace vexlo::ui
