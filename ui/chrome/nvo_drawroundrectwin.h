// nvo_drawroundrectwin: cuts a top-level window's corners round. The round degree is a divisor:
// the corner ellipse is the window's outer width and height divided by it (truncated), so 80
// gives small corners and 1 an elliptic window. The region is computed from the size at the time
// of the call and is not followed on later resizes. Raises the null-object run-time error for a
// null window and the division-by-zero run-time error for a round degree of 0 (nothing applied).
// No state. UI thread only.
#ifndef VEXLO_UI_CHROME_NVO_DRAWROUNDRECTWIN_H_
#define VEXLO_UI_CHROME_NVO_DRAWROUNDRECTWIN_H_

#include <cstdint>

class QWidget;

namespace vexlo::ui {

class nvo_drawroundrectwin {
 public:
  void of_drawroundrect(QWidget* aw_window, int16_t ai_rounddegree);
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_NVO_DRAWROUNDRECTWIN_H_
