// uo_tooltip: owns one tooltip window and lets controls show a balloon tip. controlregister adds
// the whole client area of a control as a tool with a text (every call adds a further tool with a
// new id); showtip relays the mouse move now being handled to the tooltip window, which decides
// when to show and hide the tip. The tooltip window lives exactly as long as this object.
// Nothing is thrown. UI thread only.
#ifndef VEXLO_UI_WIDGETS_UO_TOOLTIP_H_
#define VEXLO_UI_WIDGETS_UO_TOOLTIP_H_

#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

#include "app/event_guard.h"

namespace vexlo::ui {

class TooltipWindow;

class uo_tooltip {
 public:
  static constexpr const char* tooltips_class = "tooltips_class32";
  static constexpr uint32_t cw_usedefault = 0x80000000u;
  static constexpr int16_t ttf_centertip = 2;
  static constexpr int16_t ttf_rtlreading = 4;
  static constexpr uint16_t tts_balloon = 0x40;
  // The text buffer handed to the tooltip window: the tip in code page 936 and its zero.
  static constexpr std::size_t kTextBufferSize = 80;

  // The text blocks handed to the window are released by calls posted to `events`.
  explicit uo_tooltip(app::Events& events);
  ~uo_tooltip();
  uo_tooltip(const uo_tooltip&) = delete;
  uo_tooltip& operator=(const uo_tooltip&) = delete;

  // Registers the client area of `controlobject` (in pixels, from 0, 0) with `tip` (UTF-8) and
  // `flag` as the tool's flags. Returns the new tool's id, or -1 when the window refused it.
  int16_t controlregister(QWidget* controlobject, std::string_view tip, int16_t flag);
  // Relays the mouse message that `controlobject` is handling now.
  void showtip(QWidget* controlobject);

  app::Events& events_;
  TooltipWindow* hwndtt = nullptr;
  int32_t toolid = 1;
  int32_t toolinfo_size = 40;
};

// `tip` in code page 936, cut so that it and a terminating zero fit into `buffer_size` bytes,
// never inside a two-byte character.
std::string CutToBuffer(std::string_view tip_utf8, std::size_t buffer_size);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_WIDGETS_UO_TOOLTIP_H_
