// The picture button's state table, driven by Qt mouse events as the window system sends them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "app/post_queue.h"
#include "ui/chrome/mouse_capture.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {
namespace {

class PicButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::ClearPosted();
    window_.resize(200, 200);
    button_ = new uo_picbutton2(&window_);
    button_->originalsize = false;
    button_->setGeometry(10, 10, 32, 32);
    button_->is_picnormal = "normal";
    button_->is_picdisabled = "disabled";
    button_->is_picmouseover = "over";
    button_->is_picclickdown = "down";
    button_->setpicturename("normal");
    button_->on_clicked = [this] { ++clicks_; };
    window_.show();
  }
  void TearDown() override {
    releasecapture();
    app::ClearPosted();
  }

  void Send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent event(type, local, button_->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(button_, &event);
  }
  void Move(int x, int y, Qt::MouseButtons held = Qt::NoButton) {
    Send(QEvent::MouseMove, x, y, Qt::NoButton, held);
  }
  void Press(int x, int y) { Send(QEvent::MouseButtonPress, x, y, Qt::LeftButton, Qt::LeftButton); }
  void Release(int x, int y) {
    Send(QEvent::MouseButtonRelease, x, y, Qt::LeftButton, Qt::NoButton);
  }
  void Expect(int16_t state, const char* picture, bool captured) {
    EXPECT_EQ(button_->in_state, state);
    EXPECT_EQ(button_->picturename(), picture);
    EXPECT_EQ(button_->ib_mousecaptured, captured);
    EXPECT_EQ(getcapture() == button_, captured);
  }

  QWidget window_;
  uo_picbutton2* button_ = nullptr;
  int clicks_ = 0;
};

TEST_F(PicButtonTest, HoverTakesTheCaptureAndLeavingByAMoveRestores) {
  Move(5, 5);
  Expect(1, "over", true);
  Move(6, 7);  // captured and inside: nothing changes
  Expect(1, "over", true);
  Move(32, 32);  // on the right and bottom edge still counts as inside
  Expect(1, "over", true);
  Move(-1, 5);
  Expect(0, "normal", false);
}

TEST_F(PicButtonTest, EnteringWithTheLeftButtonHeldShowsPressedInStateOne) {
  Move(5, 5, Qt::LeftButton);
  Expect(1, "down", true);
}

TEST_F(PicButtonTest, OnlyTheLeftButtonAloneCountsAsHeld) {
  Move(5, 5, Qt::LeftButton | Qt::RightButton);
  Expect(1, "over", true);
}

TEST_F(PicButtonTest, ReleaseInsideKeepsHoverAndPostsOneClick) {
  Move(5, 5);
  Press(5, 5);
  Expect(2, "down", true);
  Release(5, 5);
  Expect(1, "over", true);
  EXPECT_EQ(clicks_, 0);  // posted: runs after the release handling
  app::DrainPosted();
  EXPECT_EQ(clicks_, 1);
  Move(40, 5);
  Expect(0, "normal", false);
}

TEST_F(PicButtonTest, ReleaseOutsideRestoresReleasesAndStillClicks) {
  Press(5, 5);
  Move(50, 50, Qt::LeftButton);  // dragged off while pressed
  Expect(0, "normal", false);
  Release(50, 50);
  Expect(0, "normal", false);
  app::DrainPosted();
  EXPECT_EQ(clicks_, 1);
}

TEST_F(PicButtonTest, DisabledPictureOnlyWhenLeavingByAMove) {
  button_->b_enabled = false;
  Move(5, 5);
  Expect(1, "over", true);  // hovering behaves as enabled
  Move(100, 5);
  Expect(0, "disabled", false);
  Press(5, 5);
  Release(100, 100);  // a release outside shows the normal picture even now
  Expect(0, "normal", false);
  app::DrainPosted();
  EXPECT_EQ(clicks_, 1);  // and still clicks
}

TEST_F(PicButtonTest, CaptureTakenAwayRestoresTheNormalPicture) {
  button_->b_enabled = false;
  Move(5, 5);
  QWidget other(&window_);
  other.show();
  setcapture(&other);
  Expect(0, "normal", false);
  // Lost while not captured: nothing is acted on.
  EXPECT_EQ(button_->other(533), 0);
  Expect(0, "normal", false);
  EXPECT_EQ(button_->other(512), 0);
}

TEST_F(PicButtonTest, ItsOwnReleaseOfTheCaptureDoesNotResetThePressedState) {
  Move(5, 5);
  Press(5, 5);  // releases and takes the capture again on the way
  Expect(2, "down", true);
}

TEST_F(PicButtonTest, RightButtonPressChangesNothing) {
  Send(QEvent::MouseButtonPress, 5, 5, Qt::RightButton, Qt::RightButton);
  Expect(0, "normal", false);
  Send(QEvent::MouseButtonRelease, 5, 5, Qt::RightButton, Qt::NoButton);
  app::DrainPosted();
  EXPECT_EQ(clicks_, 0);
}

TEST_F(PicButtonTest, ClickAfterTheButtonIsGoneIsDropped) {
  Press(5, 5);
  Release(5, 5);
  delete button_;
  button_ = nullptr;
  app::DrainPosted();
  EXPECT_EQ(clicks_, 0);
}

}  // namespace
}  // namespace vexlo::ui
