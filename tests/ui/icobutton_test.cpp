// The icon button: image names below the program's data folder, hover and pressed images, tooltips
// registered from mouse moves, ue_clicked, ue_flash and ue_enabled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include "app/event_guard.h"
#include "ui/chrome/mouse_capture.h"
#include "ui/chrome/tooltip_window.h"
#include "ui/widgets/uo_icobutton.h"
#include "ui/widgets/uo_picbutton2.h"
#include "ui/widgets/uo_tooltip.h"

namespace vexlo::ui {
namespace {

class IcoButtonTest : public ::testing::Test {
 protected:
  void SetUp() override { window_.resize(300, 200); }
  void TearDown() override { releasecapture(); }

  uo_icobutton* Make(std::string tag) {
    auto* b = new uo_icobutton(&window_, events_, "/opt/vexlo", {"resource/ks.jpg", "resource/ks2.jpg",
                                          "resource/ks3.jpg", std::move(tag), "开始制作"});
    b->setGeometry(10, 10, 32, 32);
    b->p_1->resize(32, 32);
    window_.show();
    return b;
  }
  void Mouse(uo_icobutton* b, QEvent::Type type, int x, int y, Qt::MouseButton button,
             Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent event(type, local, b->p_1->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(b->p_1, &event);
  }

  QWidget window_;
  app::ErrorRecord error_;
  app::Events events_{error_, [] {}};
};

TEST_F(IcoButtonTest, ImageNamesAreResolvedBelowTheDataFolder) {
  uo_icobutton* b = Make("示例");
  EXPECT_EQ(b->p_1->picturename(), "/opt/vexlo/resource/ks.jpg");
  EXPECT_EQ(b->p_1->pictures().normal, "/opt/vexlo/resource/ks.jpg");
  EXPECT_EQ(b->p_1->pictures().disabled, "/opt/vexlo/resource/ks3.jpg");
  EXPECT_EQ(b->p_1->pictures().mouse_over, "/opt/vexlo/resource/ks2.jpg");
  EXPECT_EQ(b->p_1->pictures().click_down, "/opt/vexlo/resource/ks2.jpg");
  EXPECT_EQ(b->p_1->tag(), "示例");
  EXPECT_EQ(b->st_1->text(), QString("开始制作"));
  EXPECT_TRUE(b->st_1->isHidden());
  EXPECT_EQ(b->palette().color(QPalette::Window), QColor(247, 245, 230));
}

TEST_F(IcoButtonTest, EveryMoveOnTheImageRegistersATool) {
  uo_icobutton* b = Make("示例");
  Mouse(b, QEvent::MouseMove, 5, 5, Qt::NoButton, Qt::NoButton);
  Mouse(b, QEvent::MouseMove, 6, 5, Qt::NoButton, Qt::NoButton);
  Mouse(b, QEvent::MouseMove, 50, 5, Qt::NoButton, Qt::NoButton);  // the move that leaves, too
  EXPECT_EQ(b->tooltip->toolid, 4);
  EXPECT_EQ(b->tooltip->hwndtt->ToolIds(b->p_1), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(b->st_1->palette().color(QPalette::Window), QColor(250, 249, 240));
}

TEST_F(IcoButtonTest, BlankTagRegistersNoTool) {
  uo_icobutton* b = Make("   ");
  Mouse(b, QEvent::MouseMove, 5, 5, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(b->tooltip->toolid, 1);
  EXPECT_EQ(b->tooltip->hwndtt->ToolCount(), 0u);
}

TEST_F(IcoButtonTest, ClicksOnTheImageRaiseUeClickedAfterTheRelease) {
  uo_icobutton* b = Make("");
  int clicked = 0;
  QObject::connect(b, &uo_icobutton::ue_clicked, [&] { ++clicked; });
  Mouse(b, QEvent::MouseButtonPress, 5, 5, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(b->p_1->picturename(), "/opt/vexlo/resource/ks2.jpg");  // pressed = mouse-over
  Mouse(b, QEvent::MouseButtonRelease, 90, 90, Qt::LeftButton, Qt::NoButton);  // outside
  EXPECT_EQ(clicked, 0);
  events_.DrainPosted();
  EXPECT_EQ(clicked, 1);
}

TEST_F(IcoButtonTest, EnabledAndFlashUseTheNamesAsTheyAre) {
  uo_icobutton* b = Make("");
  b->ue_enabled(false);
  EXPECT_EQ(b->p_1->picturename(), "resource/ks3.jpg");
  EXPECT_FALSE(b->p_1->enabled_look());
  Mouse(b, QEvent::MouseMove, 5, 5, Qt::NoButton, Qt::NoButton);
  Mouse(b, QEvent::MouseMove, 60, 5, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(b->p_1->picturename(), "/opt/vexlo/resource/ks3.jpg");  // left: disabled image
  b->ue_enabled(std::nullopt);
  EXPECT_FALSE(b->p_1->enabled_look());
  b->ue_enabled(true);
  EXPECT_TRUE(b->p_1->enabled_look());
  EXPECT_EQ(b->p_1->picturename(), "resource/ks.jpg");

  b->s_up1 = "/other/a.jpg";
  b->s_up2 = "/other/b.jpg";
  b->s_tag = "新";
  b->ue_flash();
  EXPECT_EQ(b->p_1->picturename(), "/other/a.jpg");
  EXPECT_EQ(b->p_1->pictures().click_down, "/other/b.jpg");
  EXPECT_EQ(b->p_1->tag(), "新");
}

}  // namespace
}  // namespace vexlo::ui
