// nvo_showtitlebar: shows or hides a top-level window's title bar (with its system menu and its
// minimise and maximise boxes) and switches it between a sizing frame, a thin border and no
// border, by rewriting its style word. The bits are combined only with nvo_numericbitoperation,
// so the words written follow its value rules (a negative word counts as 0; NOT complements only
// the flag's own digits): hiding the bar on 0x10CF0000 writes 0x40000, the visible bit included.
// No results are checked and nothing is thrown. UI thread only.
#ifndef VEXLO_UI_CHROME_NVO_SHOWTITLEBAR_H_
#define VEXLO_UI_CHROME_NVO_SHOWTITLEBAR_H_

#include <cstdint>
#include <optional>

#include "ui/chrome/nvo_numericbitoperation.h"

class QWidget;

namespace vexlo::ui {

class nvo_showtitlebar {
 public:
  // True shows the bar; false or null hides it and gives the window a sizing frame.
  void of_showorhidetitlebar(std::optional<bool> ab_barstate, QWidget* aw_window);
  // 1 sizing frame, 2 thin border, 3 no border; anything else (or null) keeps the style and
  // only refreshes the frame.
  void of_setwinborder(std::optional<int16_t> ai_bordertype, QWidget* aw_window);

 private:
  using Long = nvo_numericbitoperation::Long;
  // Reads the style word, lets `compute` change it, writes it back and refreshes the frame.
  template <typename Compute>
  void Rewrite(QWidget* aw_window, Compute compute);

  nvo_numericbitoperation uo_numbitopera;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_NVO_SHOWTITLEBAR_H_
