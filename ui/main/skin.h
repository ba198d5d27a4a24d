// The skin's shared look: the fonts (the "宋体" face mapped onto an installed CJK serif), control
// colours, the built-in pictures and the application icon. UI thread only.
#ifndef VEXLO_UI_MAIN_SKIN_H_
#define VEXLO_UI_MAIN_SKIN_H_

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

class QStyle;

namespace vexlo::ui {

// Makes the built-in pictures available and maps "宋体" onto the installed CJK serif face.
// Call once after the QApplication exists.
void InitSkin();

// "宋体" at `points` (sized in pixels as at 96 DPI, so the layout does not depend on the screen).
QFont SongTi(int points, bool bold = false);
QFont ArialBold(int points);

// Text colour and a filled background for a label, check box or window.
void SetColours(QWidget* widget, const QColor& text, const QColor& background);

// The style of the option check boxes (a compact indicator).
QStyle* CheckBoxStyle();

// A picture control: draws its image unscaled from the top left, the same whether enabled or not.
class Picture : public QWidget {
 public:
  explicit Picture(QWidget* parent = nullptr);
  void setPixmap(const QPixmap& pixmap);
  const QPixmap& pixmap() const { return pixmap_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap pixmap_;
};

QPixmap BackgroundPicture();  // ":/images/back.jpg", 712 × 481
QIcon ApplicationIcon();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_SKIN_H_
