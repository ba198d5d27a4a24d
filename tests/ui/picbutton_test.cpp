// The picture button's state table, driven by Qt mouse events as the window system sends them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "app/event_guard.h"
#include "ui/chrome/mouse_capture.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {
namespace {

class PicButtonTest : public ::testing::Test {
 protected:
  using State = uo_picbutton2::State;

  void SetUp() override {
    window_.resize(200, 200);
    button_ = new uo_picbutton2(events_, &window_);
    button_->set_originalsize(false);
    button_->setGeometry(10, 10, 32, 32);
    button_->set_pictures({"normal", "disabled", "over", "down"});
    button_->setpicturename("normal");
    button_->on_clicked = [this] { ++clicks_; };
    window_.show();
  }
  void TearDown() override { releasecapture(); }

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
  void Expect(State state, const char* picture, bool captured) {
    EXPECT_EQ(button_->state(), state);
    EXPECT_EQ(button_->picturename(), picture);
    EXPECT_EQ(button_->mouse_captured(), captured);
    EXPECT_EQ(getcapture() == button_, captured);
  }

  app::ErrorRecord error_;
  app::Events events_{error_, [] {}};
  QWidget window_;
  uo_picbutton2* button_ = nullptr;
  int clicks_ = 0;
};

TEST_F(PicButtonTest, HoverTakesTheCaptureAndLeavingByAMoveRestores) {
  Move(5, 5);
  Expect(State::kMouseOver, "over", true);
  Move(6, 7);  // captured and inside: nothing changes
  Expect(State::kMouseOver, "over", true);
  Move(32, 32);  // on the right and bottom edge still counts as inside
  Expect(State::kMouseOver, "over", true);
  Move(-1, 5);
  Expect(State::kNormal, "normal", false);
}

TEST_F(PicButtonTest, EnteringWithTheLeftButtonHeldShowsPressedInStateOne) {
  Move(5, 5, Qt::LeftButton);
  Expect(State::kMouseOver, "down", true);
}

TEST_F(PicButtonTest, OnlyTheLeftButtonAloneCountsAsHeld) {
  Move(5, 5, Qt::LeftButton | Qt::RightButton);
  Expect(State::kMouseOver, "over", true);
}

TEST_F(PicButtonTest, ReleaseInsideKeepsHoverAndPostsOneClick) {
  Move(5, 5);
  Press(5, 5);
  Expect(State::kPressed, "down", true);
  Release(5, 5);
  Expect(State::kMouseOver, "over", true);
  EXPECT_EQ(clicks_, 0);  // posted: runs after the release handling
  events_.DrainPosted();
  EXPECT_EQ(clicks_, 1);
  Move(40, 5);
  Expect(State::kNormal, "normal", false);
}

TEST_F(PicButtonTest, ReleaseOutsideRestoresReleasesAndStillClicks) {
  Press(5, 5);
  Move(50, 50, Qt::LeftButton);  // dragged off while pressed
  Expect(State::kNormal, "normal", false);
  Release(50, 50);
  Expect(State::kNormal, "normal", false);
  events_.DrainPosted();
  EXPECT_EQ(clicks_, 1);
}

TEST_F(PicButtonTest, DisabledPictureOnlyWhenLeavingByAMove) {
  button_->set_enabled_look(false);
  Move(5, 5);
  Expect(State::kMouseOver, "over", true);  // hovering behaves as enabled
  Move(100, 5);
  Expect(State::kNormal, "disabled", false);
  Press(5, 5);
  Release(100, 100);  // a release outside shows the normal picture even now
  Expect(State::kNormal, "normal", false);
  events_.DrainPosted();
  EXPECT_EQ(clicks_, 1);  // and still clicks
}

TEST_F(PicButtonTest, CaptureTakenAwayRestoresTheNormalPicture) {
  button_->set_enabled_look(false);
  Move(5, 5);
  QWidget other(&window_);
  other.show();
  setcapture(&other);
  Expect(State::kNormal, "normal", false);
  // Lost while not captured: nothing is acted on.
  EXPECT_EQ(button_->other(533), 0);
  Expect(State::kNormal, "normal", false);
  EXPECT_EQ(button_->other(512), 0);
}

TEST_F(PicButtonTest, ItsOwnReleaseOfTheCaptureDoesNotResetThePressedState) {
  Move(5, 5);
  Press(5, 5);  // releases and takes the capture again on the way
  Expect(State::kPressed, "down", true);
}

TEST_F(PicButtonTest, RightButtonPressChangesNothing) {
  Send(QEvent::MouseButtonPress, 5, 5, Qt::RightButton, Qt::RightButton);
  Expect(State::kNormal, "normal", false);
  Send(QEvent::MouseButtonRelease, 5, 5, Qt::RightButton, Qt::NoButton);
  events_.DrainPosted();
  EXPECT_EQ(clicks_, 0);
}

TEST_F(PicButtonTest, ClickAfterTheButtonIsGoneIsDropped) {
  Press(5, 5);
  Release(5, 5);
  delete button_;
  button_ = nullptr;
  events_.DrainPosted();
  EXPECT_EQ(clicks_, 0);
}

}  // namespace
}  // namespace vexlo::ui
