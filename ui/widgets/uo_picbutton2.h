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

#include "app/event_guard.h"

namespace vexlo::ui {

class uo_picbutton2 : public QWidget {
  Q_OBJECT

 public:
  // The posted clicks and the guarded handlers run through `events`.
  explicit uo_picbutton2(app::Events& events, QWidget* parent = nullptr);
  ~uo_picbutton2() override;

  // What the button shows: at rest, at rest while disabled, under the mouse, pressed.
  enum class State { kNormal, kMouseOver, kPressed };
  struct Pictures {
    std::string normal;
    std::string disabled;
    std::string mouse_over;
    std::string click_down;
  };

  // The image file shown. With originalsize the control takes the image's size. A file that
  // cannot be read shows nothing and keeps the size.
  void setpicturename(const std::string& name);
  const std::string& picturename() const { return picturename_; }
  void set_originalsize(bool on) { originalsize_ = on; }
  // Free text that every control carries (the icon button keeps its tooltip text here).
  const std::string& tag() const { return tag_; }
  void set_tag(std::string tag) { tag_ = std::move(tag); }

  const Pictures& pictures() const { return pictures_; }
  void set_pictures(Pictures pictures) { pictures_ = std::move(pictures); }
  // Whether the button looks enabled when the mouse leaves it (the disabled picture otherwise).
  bool enabled_look() const { return enabled_look_; }
  void set_enabled_look(bool on) { enabled_look_ = on; }
  State state() const { return state_; }
  bool mouse_captured() const { return mouse_captured_; }

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
  void set_owner_window(std::string name) { owner_window_ = std::move(name); }

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

  app::Events& events_;
  std::string owner_window_ = "uo_icobutton";
  std::string picturename_;
  QPixmap picture_;
  bool originalsize_ = true;
  std::string tag_;
  Pictures pictures_;
  bool enabled_look_ = true;
  bool mouse_captured_ = false;
  State state_ = State::kNormal;
};

// The key-state bits of a Qt mouse event (mk_lbutton, mk_shift, ...).
uint32_t MouseKeyState(const QMouseEvent& event);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_WIDGETS_UO_PICBUTTON2_H_
