#include "ui/chrome/nvo_showtitlebar.h"

#include <QWidget>

#include "ui/chrome/window_style.h"

namespace vexlo::ui {

template <typename Compute>
void nvo_showtitlebar::Rewrite(QWidget* aw_window, Compute compute) {
  if (aw_window == nullptr) return;
  aw_window->setUpdatesEnabled(false);
  rect lstr_rect;
  getwindowrect(aw_window, lstr_rect);
  Long ll_winstyle = getwindowlong(aw_window, gwl_style);
  compute(ll_winstyle);
  Long flags = uo_numbitopera.of_bitwiseor(swp_noownerzorder, swp_nozorder);
  flags = uo_numbitopera.of_bitwiseor(flags, swp_framechanged);
  // A null word (from a null argument in the bit operations) is written as 0.
  setwindowlong(aw_window, gwl_style, ll_winstyle.value_or(0));
  setwindowpos(aw_window, hwnd_top, lstr_rect.left, lstr_rect.top, lstr_rect.right - lstr_rect.left,
               lstr_rect.bottom - lstr_rect.top, flags.value_or(0));
  aw_window->setUpdatesEnabled(true);
}

void nvo_showtitlebar::of_showorhidetitlebar(std::optional<bool> ab_barstate,
                                             QWidget* aw_window) {
  Rewrite(aw_window, [&](Long& ll_winstyle) {
    auto& bits = uo_numbitopera;
    if (ab_barstate.value_or(false)) {
      for (int32_t x : {ws_sysmenu, ws_maximizebox, ws_minimizebox, ws_caption}) {
        ll_winstyle = bits.of_bitwiseor(ll_winstyle, x);
      }
      return;
    }
    const Long ll_winstyle1 = bits.of_bitwisenot(ws_sysmenu);
    const Long ll_winstyle2 = bits.of_bitwisenot(ws_maximizebox);
    const Long ll_winstyle3 = bits.of_bitwisenot(ws_minimizebox);
    const Long ll_winstyle4 = bits.of_bitwisenot(ws_caption);
    for (const Long& mask : {ll_winstyle1, ll_winstyle2, ll_winstyle3, ll_winstyle4}) {
      ll_winstyle = bits.of_bitwiseand(ll_winstyle, mask);
    }
    ll_winstyle = bits.of_bitwiseor(ll_winstyle, ws_thickframe);
  });
}

void nvo_showtitlebar::of_setwinborder(std::optional<int16_t> ai_bordertype, QWidget* aw_window) {
  Rewrite(aw_window, [&](Long& ll_winstyle) {
    auto& bits = uo_numbitopera;
    switch (ai_bordertype.value_or(0)) {
      case 1:
        ll_winstyle = bits.of_bitwiseor(ll_winstyle, ws_thickframe);
        break;
      case 2:
        ll_winstyle = bits.of_bitwiseand(ll_winstyle, bits.of_bitwisenot(ws_thickframe));
        ll_winstyle = bits.of_bitwiseor(ll_winstyle, ws_border);
        break;
      case 3:
        ll_winstyle = bits.of_bitwiseand(ll_winstyle, bits.of_bitwisenot(ws_thickframe));
        ll_winstyle = bits.of_bitwiseand(ll_winstyle, bits.of_bitwisenot(ws_border));
        break;
      default:
        break;
    }
  });
}

}  // namespace vexlo::ui
