// The tooltip window that stands in for the common-controls tooltip class: it holds a list of
// tools (a control, a rectangle of that control in its own pixels, a zero-terminated code page
// 936 text), takes relayed mouse moves, and after the usual hover delay shows the text of the
// tool under the pointer in a balloon next to it. Tools are only added, never removed; the first
// tool registered whose rectangle holds the pointer wins. Hides when the pointer leaves that tool,
// after the pop-up time, or on any relayed move of another control. UI thread only.
#ifndef VEXLO_UI_CHROME_TOOLTIP_WINDOW_H_
#define VEXLO_UI_CHROME_TOOLTIP_WINDOW_H_

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

namespace vexlo::ui {

inline constexpr uint32_t wm_user = 1024;
inline constexpr uint32_t ttm_addtool = wm_user + 4;     // 1028
inline constexpr uint32_t ttm_relayevent = wm_user + 7;  // 1031
inline constexpr uint32_t ws_ex_topmost = 8;
inline constexpr uint32_t tts_noprefix = 0x2;
inline constexpr uint32_t tts_balloon = 0x40;

struct rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct point {
  int32_t x = 0;
  int32_t y = 0;
};

// One tool as handed over with ttm_addtool. `hwnd` is the registered control; `lpsztext` points
// to the zero-terminated code page 936 text, of which the tooltip window takes a copy.
struct toolinfo {
  uint32_t cbsize = 40;
  uint32_t uflags = 0;
  QWidget* hwnd = nullptr;
  uint32_t uid = 0;
  ui::rect rect;
  uint32_t hinstance = 0;
  const char* lpsztext = nullptr;
};

// One relayed mouse message; `lparam` holds the pointer's x (low word) and y (high word) in the
// control's pixels.
struct msg {
  QWidget* hwnd = nullptr;
  uint32_t message = 0;
  uint32_t wparam = 0;
  uint32_t lparam = 0;
  int32_t time = 0;
  point pt;
};

class TooltipWindow : public QWidget {
  Q_OBJECT

 public:
  // `style` as given at creation: tts_balloon draws a balloon, otherwise a plain box.
  TooltipWindow(uint32_t ex_style, uint32_t style);
  ~TooltipWindow() override;

  // ttm_addtool: returns nonzero when the tool was taken (a valid record with a control).
  intptr_t AddTool(const toolinfo& info);
  // ttm_relayevent: only mouse moves are looked at.
  void RelayEvent(const msg& message);

  // What the window holds and shows, for tests.
  std::size_t ToolCount() const;
  // Ids of the tools stored for `control`, in registration order.
  std::vector<uint32_t> ToolIds(const QWidget* control) const;
  ui::rect ToolRect(const QWidget* control) const;
  // The tool whose tip is pending or shown (0 when none) and its text in UTF-8.
  uint32_t ActiveTool() const { return active_uid_; }
  QString TipText() const { return tip_text_; }
  bool TipShown() const { return isVisible(); }

  static constexpr int kInitialDelayMs = 500;
  static constexpr int kAutoPopMs = 5000;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Tools with the same control, rectangle, flags and text share one entry; their ids are kept.
  struct Tool {
    QPointer<QWidget> control;
    const QWidget* key = nullptr;
    uint32_t uflags = 0;
    ui::rect area;
    std::string text;  // code page 936
    std::vector<uint32_t> ids;
  };

  const Tool* ToolAt(const QWidget* control, int x, int y) const;
  void Pop();
  void ShowTip();
  void CheckPointer();

  bool balloon_;
  std::vector<Tool> tools_;
  uint32_t active_uid_ = 0;
  QPointer<QWidget> active_control_;
  ui::rect active_rect_;
  QString tip_text_;
  QPoint anchor_;  // global pointer position when the tip was shown
  QTimer delay_;
  QTimer autopop_;
  QTimer watch_;  // hides the tip once the pointer is no longer over the tool
};

// The functions under the names by which the tooltip object calls them.
void initcommoncontrols();
TooltipWindow* createwindowexa(uint32_t ex_style, uint32_t style);
void destroywindow(TooltipWindow* window);
// ttm_addtool with a toolinfo, ttm_relayevent with a msg; 0 for a null window.
intptr_t tooltipmsg(TooltipWindow* window, uint32_t message, uint32_t wparam, const toolinfo& info);
intptr_t relaymsg(TooltipWindow* window, uint32_t message, uint32_t wparam, const msg& message_record);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_TOOLTIP_WINDOW_H_
