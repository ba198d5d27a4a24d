// Window chrome on real (offscreen) windows: style words and the frame they give, the rounded
// region, and the mouse capture's change notices.
#include <gtest/gtest.h>

#include <QDialog>
#include <QWidget>

#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "ui/chrome/mouse_capture.h"
#include "ui/chrome/nvo_drawroundrectwin.h"
#include "ui/chrome/nvo_showtitlebar.h"
#include "ui/chrome/window_style.h"

namespace vexlo::ui {
namespace {

TEST(ShowTitleBar, ShowingOnStyleZeroAddsCaptionMenuAndBoxesAndKeepsThePlace) {
  QWidget window;
  window.setGeometry(100, 120, 300, 200);
  setwindowlong(&window, gwl_style, 0);
  nvo_showtitlebar bar;
  bar.of_showorhidetitlebar(true, &window);
  EXPECT_EQ(getwindowlong(&window, gwl_style), 0xCB0000);
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(window.pos(), QPoint(100, 120));
  EXPECT_TRUE(window.updatesEnabled());
}

TEST(ShowTitleBar, HidingOnAFullFrameKeepsOnlyTheSizingFrameAndDropsVisibility) {
  QWidget window;
  window.resize(300, 200);
  window.show();
  setwindowlong(&window, gwl_style, 0x10CF0000);
  nvo_showtitlebar bar;
  bar.of_showorhidetitlebar(false, &window);
  EXPECT_EQ(getwindowlong(&window, gwl_style), 0x40000);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowTitleHint));
  EXPECT_NE(window.minimumSize(), window.maximumSize());  // the sizing frame
  // Null hides too.
  setwindowlong(&window, gwl_style, 0x00CF0000);
  bar.of_showorhidetitlebar(std::nullopt, &window);
  EXPECT_EQ(getwindowlong(&window, gwl_style), 0x40000);
}

TEST(ShowTitleBar, NegativeStyleWordsCountAsZero) {
  QWidget window;
  nvo_showtitlebar bar;
  setwindowlong(&window, gwl_style, static_cast<int32_t>(0x96CF0000u));
  bar.of_showorhidetitlebar(false, &window);
  EXPECT_EQ(getwindowlong(&window, gwl_style), 0x40000);
  setwindowlong(&window, gwl_style, static_cast<int32_t>(0x96CF0000u));
  bar.of_showorhidetitlebar(true, &window);
  EXPECT_EQ(getwindowlong(&window, gwl_style), 0xCB0000);
}

TEST(SetWinBorder, EachBorderTypeGivesItsWord) {
  QWidget window;
  nvo_showtitlebar bar;
  struct Case {
    std::optional<int16_t> type;
    int32_t before;
    int32_t after;
  } cases[] = {
      {1, 0x00C00000, 0x00C40000},
      {2, 0x10CF0000, 0x00830000},  // (s AND 0x3FFFF) OR 0x800000
      {3, 0x10CF0000, 0x00030000},  // s AND 0x3FFFF
      {7, 0x10CF0000, 0x10CF0000},
      {std::nullopt, 0x00C50000, 0x00C50000},
  };
  for (const Case& c : cases) {
    setwindowlong(&window, gwl_style, c.before);
    bar.of_setwinborder(c.type, &window);
    EXPECT_EQ(getwindowlong(&window, gwl_style), c.after) << "border type " << c.type.value_or(-1);
    EXPECT_TRUE(window.updatesEnabled());
  }
  setwindowlong(&window, gwl_style, 0x00030000);  // no caption, no frame
  bar.of_setwinborder(3, &window);
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(RoundRect, Degree80CutsSmallCornersFromTheWholeWindow) {
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.resize(714, 508);
  nvo_drawroundrectwin round;
  round.of_drawroundrect(&window, 80);
  const QRegion mask = window.mask();
  EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 714, 508));
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_FALSE(mask.contains(QPoint(713, 507)));
  EXPECT_TRUE(mask.contains(QPoint(4, 3)));  // the 8 × 6 ellipse ends here
  EXPECT_TRUE(mask.contains(QPoint(357, 0)));
  EXPECT_TRUE(mask.contains(QPoint(0, 254)));
}

TEST(RoundRect, DegreeOneIsAnEllipseAndAHugeDegreeIsSquare) {
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.resize(200, 100);
  nvo_drawroundrectwin round;
  round.of_drawroundrect(&window, 1);
  EXPECT_FALSE(window.mask().contains(QPoint(15, 15)));
  EXPECT_TRUE(window.mask().contains(QPoint(100, 50)));
  EXPECT_TRUE(window.mask().contains(QPoint(100, 1)));
  round.of_drawroundrect(&window, 1000);  // 200 / 1000 = 0: square corners
  EXPECT_TRUE(window.mask().contains(QPoint(0, 0)));
  // A second call after a resize replaces the region.
  window.resize(300, 100);
  round.of_drawroundrect(&window, 1000);
  EXPECT_EQ(window.mask().boundingRect(), QRect(0, 0, 300, 100));
}

TEST(RoundRect, DegreeZeroAndNullWindowAreRuntimeErrorsAndApplyNothing) {
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.resize(200, 100);
  nvo_drawroundrectwin round;
  try {
    round.of_drawroundrect(&window, 0);
    FAIL() << "no error";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::RuntimeError::DivideByZero().number());
  }
  EXPECT_TRUE(window.mask().isEmpty());
  try {
    round.of_drawroundrect(nullptr, 80);
    FAIL() << "no error";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::RuntimeError::NullObject("x").number());
  }
}

// Counts the capture-changed notices a widget receives.
class NoticeCounter : public QWidget {
 public:
  using QWidget::QWidget;
  int notices = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == CaptureChangedEvent()) ++notices;
    return QWidget::event(e);
  }
};

TEST(MouseCapture, TheWidgetLosingTheCaptureIsToldWhateverTookIt) {
  QWidget window;
  window.resize(200, 200);
  auto* a = new NoticeCounter(&window);
  auto* b = new NoticeCounter(&window);
  window.show();

  setcapture(a);
  EXPECT_EQ(getcapture(), a);
  setcapture(a);  // taking it again is no change
  EXPECT_EQ(a->notices, 0);
  setcapture(b);
  EXPECT_EQ(a->notices, 1);
  EXPECT_EQ(getcapture(), b);
  releasecapture();
  EXPECT_EQ(b->notices, 1);
  EXPECT_EQ(getcapture(), nullptr);
  releasecapture();  // nobody holds it: nobody is told
  EXPECT_EQ(b->notices, 1);

  // A modal window takes it away.
  setcapture(a);
  QDialog dialog(&window);
  dialog.setModal(true);
  dialog.show();
  EXPECT_EQ(a->notices, 2);
  EXPECT_EQ(getcapture(), nullptr);
  dialog.hide();

  // So does hiding the holder.
  setcapture(b);
  b->hide();
  EXPECT_EQ(b->notices, 2);
  EXPECT_EQ(getcapture(), nullptr);
}

}  // namespace
}  // namespace vexlo::ui
