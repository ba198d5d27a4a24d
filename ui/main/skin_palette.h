// The skin's colours. The pictures drawn by tools/skin and the window's controls laid over them
// must agree, so both take their band colours from here.
#ifndef VEXLO_UI_MAIN_SKIN_PALETTE_H_
#define VEXLO_UI_MAIN_SKIN_PALETTE_H_

#include <QColor>

namespace vexlo::ui::palette {

inline const QColor kOrange(252, 133, 5);  // title banner and the version label on it
inline const QColor kGreen(1, 114, 62);    // the Excel band
inline const QColor kBlue(41, 49, 132);    // the Word and output area

}  // namespace vexlo::ui::palette

#endif  // VEXLO_UI_MAIN_SKIN_PALETTE_H_
