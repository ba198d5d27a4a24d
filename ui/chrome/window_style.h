// Window style words on top of Qt windows. A style word (caption, system menu, minimise and
// maximise boxes, sizing frame, thin border, visible) is read from and written back to a widget;
// the word written is kept with the widget and read back unchanged, and it reaches the real frame
// (window flags, resizability, visibility) when the position is set with swp_framechanged.
// UI thread only.
#ifndef VEXLO_UI_CHROME_WINDOW_STYLE_H_
#define VEXLO_UI_CHROME_WINDOW_STYLE_H_

#include <cstdint>

#include "ui/chrome/tooltip_window.h"  // rect

class QWidget;

namespace vexlo::ui {

inline constexpr int32_t gwl_style = -16;

inline constexpr int32_t ws_visible = 0x10000000;
inline constexpr int32_t ws_child = 0x40000000;
inline constexpr int32_t ws_caption = 0xC00000;
inline constexpr int32_t ws_border = 0x800000;
inline constexpr int32_t ws_dlgframe = 0x400000;
inline constexpr int32_t ws_sysmenu = 0x80000;
inline constexpr int32_t ws_thickframe = 0x40000;
inline constexpr int32_t ws_minimizebox = 0x20000;
inline constexpr int32_t ws_maximizebox = 0x10000;

inline constexpr int32_t hwnd_top = 0;
inline constexpr int32_t swp_nosize = 0x1;
inline constexpr int32_t swp_nomove = 0x2;
inline constexpr int32_t swp_nozorder = 0x4;
inline constexpr int32_t swp_framechanged = 0x20;
inline constexpr int32_t swp_noownerzorder = 0x200;

// The style word of `window` (the last one written, or one derived from its flags). Only
// gwl_style is known; other indexes read 0.
int32_t getwindowlong(QWidget* window, int32_t index);
// Stores the style word and returns the previous one. The frame follows at setwindowpos.
int32_t setwindowlong(QWidget* window, int32_t index, int32_t value);
// The outer rectangle of `window` in screen coordinates.
int32_t getwindowrect(QWidget* window, rect& out);
// Moves and sizes `window` (outer size; a child within its parent), and with swp_framechanged
// applies its stored style word to the frame.
int32_t setwindowpos(QWidget* window, int32_t insert_after, int32_t x, int32_t y, int32_t cx,
                     int32_t cy, int32_t flags);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_WINDOW_STYLE_H_
