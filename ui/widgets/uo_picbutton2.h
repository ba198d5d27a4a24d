// uo_picbutton2: a push button drawn only from image files. It shows one of four pictures
// (normal, disabled, mouse over, pressed), switches them as the mouse enters, presses, releases
// and leaves, and posts `clicked` after every left-button release. It notices the pointer leaving
// by holding the mouse capture while the pointer is over it. No border, frame or focus mark.
// Handlers run guarded; UI thread only.
#ifndef VEXLO_UI_WIDGETS_UO_PICBUTTON2_H_
#define VEXLO_UI_WIDGETS_UO_PICBUTTON2_H_

#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

namespace vexlo::ui {

class uo_picbutton2 : public QWidget {
  Q_OBJECT

 public:
  explicit uo_picbutton2(QWidget* parent = nullptr);
  ~uo_picbutton2() override;

  // The image file shown. With `originalsize` the control takes the image's size. A file that
  // cannot be read shows nothing and keeps the size.
  void setpicturename(const std::string& name);
  const std::string& picturename() const { return picturename_; }
  bool originalsize = true;
  // Free text that every control carries (the icon button keeps its tooltip text here).
  std::string tag;

  bool ib_mousecaptured = false;
  std::string is_picnormal;
  std::string is_picdisabled;
  std::string is_picmouseover;
  std::string is_picclickdown;
  int16_t in_state = 0;  // 0 normal, 1 mouse over, 2 pressed
  bool b_enabled = true;

  // The mouse handling, with the key-state bits and the pointer in the control's pixels.
  int32_t mousemove(uint32_t flags, int16_t xpos, int16_t ypos);
  int32_t lbuttondown(uint32_t flags, int16_t xpos, int16_t ypos);
  int32_t lbuttonup(uint32_t flags, int16_t xpos, int16_t ypos);
  // Every other message; only the capture-changed notice (533) is acted on.
  int32_t other(uint32_t message);

  // The owner's part of the events. `on_mousemove` runs after the control's own mouse-move
  // handling, in the same handling; `on_clicked` runs from the posted click.
  std::function<void(uint32_t flags, int16_t xpos, int16_t ypos)> on_mousemove;
  std::function<void()> on_clicked;

  // Names of the control for error reports: window, control.
  std::string owner_window = "uo_icobutton";

 protected:
  bool event(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool Outside(int16_t xpos, int16_t ypos) const;
  // Posts the click notification; it runs after the current handling has returned.
  void PostClicked();
  // Runs `body` as the control's handler of `event` with `message` as the current message.
  void Handle(const char* event, uint32_t message, QMouseEvent* mouse,
              const std::function<void(uint32_t, int16_t, int16_t)>& body);

  std::string picturename_;
  QPixmap picture_;
};

// The key-state bits of a Qt mouse event (mk_lbutton, mk_shift, ...).
uint32_t MouseKeyState(const QMouseEvent& event);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_WIDGETS_UO_PICBUTTON2_H_
