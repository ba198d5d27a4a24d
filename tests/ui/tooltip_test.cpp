// The tooltip object and its window: ids, the 80-byte code page 936 buffer, tool rectangles,
// relayed moves and the balloon after the hover delay.
#include <gtest/gtest.h>

#include <QCursor>
#include <QDialog>
#include <QTimer>
#include <QTest>
#include <QWidget>

#include "app/codepage.h"
#include "app/event_guard.h"
#include "ui/chrome/current_message.h"
#include "ui/chrome/tooltip_window.h"
#include "ui/widgets/uo_tooltip.h"

namespace vexlo::ui {
namespace {

class TooltipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(200, 200);
    control_ = new QWidget(&window_);
    control_->setGeometry(20, 30, 32, 24);
    window_.show();
  }

  // Relays a move at (x, y) of `control` as the message being handled.
  void Hover(uo_tooltip& tip, QWidget* control, int16_t x, int16_t y) {
    MessageScope scope({control, wm_mousemove, 0, MakeLParam(x, y)});
    tip.showtip(control);
  }

  app::ErrorRecord error_;
  app::Events events_{error_, [] {}};
  QWidget window_;
  QWidget* control_ = nullptr;
};

TEST_F(TooltipTest, EveryRegistrationAddsAToolWithTheNextId) {
  uo_tooltip tip(events_);
  EXPECT_EQ(tip.controlregister(control_, "示例", 0), 1);
  EXPECT_EQ(tip.controlregister(control_, "示例", 0), 2);
  EXPECT_EQ(tip.toolid, 3);
  EXPECT_EQ(tip.hwndtt->ToolCount(), 2u);
  EXPECT_EQ(tip.hwndtt->ToolIds(control_), (std::vector<uint32_t>{1, 2}));
  const rect area = tip.hwndtt->ToolRect(control_);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, 32);
  EXPECT_EQ(area.bottom, 24);
  // Each text block is released by a posted call.
  EXPECT_EQ(events_.PostedCount(), 2u);
  events_.DrainPosted();
  EXPECT_EQ(events_.PostedCount(), 0u);
}

TEST_F(TooltipTest, RefusedToolReturnsMinusOneAndStillUsesAnId) {
  uo_tooltip tip(events_);
  EXPECT_EQ(tip.controlregister(nullptr, "x", 0), -1);
  EXPECT_EQ(tip.toolid, 2);
  EXPECT_EQ(tip.controlregister(control_, "x", 0), 2);
}

TEST(TooltipCut, TipsAreCutToSeventyNineBytesNeverInsideACharacter) {
  EXPECT_EQ(CutToBuffer("示例", 80), app::Utf8ToCp936("示例"));
  const std::string ascii(100, 'a');
  EXPECT_EQ(CutToBuffer(ascii, 80), std::string(79, 'a'));
  EXPECT_EQ(CutToBuffer(std::string(79, 'b'), 80).size(), 79u);
  std::string forty_han;
  for (int i = 0; i < 40; ++i) forty_han += "字";  // 80 bytes: one too many
  const std::string cut = CutToBuffer(forty_han, 80);
  EXPECT_EQ(cut.size(), 78u);  // 39 whole characters, the 40th would be split
  EXPECT_EQ(app::Cp936ToUtf8(cut), forty_han.substr(0, 39 * 3));
  const std::string odd = CutToBuffer("a" + forty_han, 80);
  EXPECT_EQ(odd.size(), 79u);
  EXPECT_EQ(app::Cp936ToUtf8(odd), "a" + forty_han.substr(0, 39 * 3));
}

TEST_F(TooltipTest, RelayedMovesPickTheToolUnderThePointer) {
  uo_tooltip tip(events_);
  QWidget other(&window_);
  other.setGeometry(100, 30, 32, 32);
  Hover(tip, &other, 5, 5);  // never registered: nothing
  EXPECT_EQ(tip.hwndtt->ActiveTool(), 0u);

  tip.controlregister(control_, "选择EXCEL数据文件", 0);
  tip.controlregister(control_, "选择EXCEL数据文件", 0);
  Hover(tip, control_, 5, 5);
  EXPECT_EQ(tip.hwndtt->ActiveTool(), 1u);  // the first of the matching tools
  EXPECT_EQ(tip.hwndtt->TipText(), QString("选择EXCEL数据文件"));
  Hover(tip, control_, 40, 5);  // off the tool
  EXPECT_EQ(tip.hwndtt->ActiveTool(), 0u);
  EXPECT_FALSE(tip.hwndtt->TipShown());
}

TEST_F(TooltipTest, BalloonAppearsAfterTheHoverDelayWithTheCutText) {
  uo_tooltip tip(events_);
  std::string long_tip;
  for (int i = 0; i < 45; ++i) long_tip += "长";
  tip.controlregister(control_, long_tip, 0);
  QCursor::setPos(control_->mapToGlobal(QPoint(5, 5)));
  Hover(tip, control_, 5, 5);
  EXPECT_FALSE(tip.hwndtt->TipShown());
  ASSERT_TRUE(QTest::qWaitFor([&] { return tip.hwndtt->TipShown(); }, 3000));
  EXPECT_EQ(tip.hwndtt->TipText().size(), 39);
  EXPECT_TRUE(tip.hwndtt->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(TooltipTest, TipGoesWhenADialogOpensAndStaysAwayWhileItIsOpen) {
  uo_tooltip tip(events_);
  tip.controlregister(control_, "选择数据文件", 0);
  QCursor::setPos(control_->mapToGlobal(QPoint(5, 5)));
  Hover(tip, control_, 5, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tip.hwndtt->TipShown(); }, 3000));

  QDialog dialog(&window_);
  bool hidden_in_dialog = false;
  bool shown_again_in_dialog = false;
  QTimer::singleShot(300, &dialog, [&] {
    hidden_in_dialog = !tip.hwndtt->TipShown();
    // A move relayed while the dialog is open (the pointer still over the tool) shows nothing.
    Hover(tip, control_, 6, 6);
    QTimer::singleShot(TooltipWindow::kInitialDelayMs + 300, &dialog, [&] {
      shown_again_in_dialog = tip.hwndtt->TipShown();
      dialog.reject();
    });
  });
  dialog.exec();
  EXPECT_TRUE(hidden_in_dialog);
  EXPECT_FALSE(shown_again_in_dialog);
}

}  // namespace
}  // namespace vexlo::ui
