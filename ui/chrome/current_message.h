// The window message being handled: a control's handler can read its number and parameters
// (the tooltip relays the current mouse move with them). A MessageScope sets it for the duration
// of one handling; scopes nest. UI thread only.
#ifndef VEXLO_UI_CHROME_CURRENT_MESSAGE_H_
#define VEXLO_UI_CHROME_CURRENT_MESSAGE_H_

#include <cstdint>

class QWidget;

namespace vexlo::ui {

inline constexpr uint32_t wm_mousemove = 512;
inline constexpr uint32_t wm_lbuttondown = 513;
inline constexpr uint32_t wm_lbuttonup = 514;

// Key-state bits of a mouse message's word parameter.
inline constexpr uint32_t mk_lbutton = 0x1;
inline constexpr uint32_t mk_rbutton = 0x2;
inline constexpr uint32_t mk_shift = 0x4;
inline constexpr uint32_t mk_control = 0x8;
inline constexpr uint32_t mk_mbutton = 0x10;

struct CurrentMessage {
  QWidget* hwnd = nullptr;
  uint32_t message = 0;
  uint32_t wparam = 0;
  uint32_t lparam = 0;
};

// The long parameter of a mouse message: x in the low word, y in the high word.
inline uint32_t MakeLParam(int16_t x, int16_t y) {
  return static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

// The message now being handled; all zero outside every handling.
const CurrentMessage& currentmessage();

class MessageScope {
 public:
  explicit MessageScope(const CurrentMessage& message);
  ~MessageScope();
  MessageScope(const MessageScope&) = delete;
  MessageScope& operator=(const MessageScope&) = delete;

 private:
  CurrentMessage saved_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_CURRENT_MESSAGE_H_
