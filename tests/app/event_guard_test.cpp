// The dispatch boundary and the posted-call queue.
#include "app/event_guard.h"

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/globals.h"
#include "app/post_queue.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

class GuardTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearPosted(); }
  test::ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::ScriptedHost host_;
};

TEST_F(GuardTest, ErrorInAHandlerReachesTheHandlerWithItsPlaceAndTheProgramGoesOn) {
  Application vexlo(nullptr);
  vexlo.create();
  int handled = 0;
  auto fail = [] { throw RuntimeError::DivideByZero(); };

  EXPECT_FALSE(RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, fail));
  EXPECT_EQ(error.number, kErrDivideByZero);
  EXPECT_EQ(error.window, "w_vexlo");
  EXPECT_EQ(error.control, "uo_6");
  EXPECT_EQ(error.script, "ue_clicked");
  EXPECT_GT(error.line, 0);

  // Answered No: the next event runs, and the next error is logged and asked about again.
  EXPECT_TRUE(RunGuarded({"w_vexlo", "uo_1", "ue_clicked"}, [&] { ++handled; }));
  EXPECT_FALSE(RunGuarded({"w_vexlo", "uo_2", "ue_clicked"}, fail));
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(host_.log.size(), 2u);
  const std::string log = test::ReadFile(dir_ / "AppError.txt");
  EXPECT_NE(log.find("uo_2"), std::string::npos);
  EXPECT_NE(log.find("uo_6"), std::string::npos);
  vexlo.destroy();
}

TEST_F(GuardTest, ForeignExceptionsBecomeRunTimeErrors) {
  EXPECT_FALSE(RunGuarded({"w", "c", "e"}, [] { throw std::runtime_error("boom"); }));
  EXPECT_EQ(error.number, kErrOther);
  EXPECT_NE(error.text.find("boom"), std::string::npos);
  EXPECT_FALSE(RunGuarded({"w", "c", "e"}, [] { throw 42; }));
  EXPECT_EQ(error.number, kErrOther);
}

TEST_F(GuardTest, InnermostEventNamesTheError) {
  RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [] {
    RunGuarded({"w_msg", "", "open"}, [] { throw RuntimeError::ArrayBounds(); });
  });
  EXPECT_EQ(error.window, "w_msg");
  EXPECT_EQ(error.script, "open");
}

TEST_F(GuardTest, PostedCallsWaitForTheHandlerAndRunInPostingOrder) {
  std::vector<std::string> ran;
  RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [&] {
    Post({"w_msg", "", "wf_close"}, [&] { ran.push_back("close"); });
    Post({"uo_picbutton2", "", "clicked"}, [&] {
      ran.push_back("click");
      Post({"x", "", "later"}, [&] { ran.push_back("later"); });
    });
    // A nested repaint loop during a long run drains nothing.
    DrainPosted();
    EXPECT_TRUE(ran.empty());
  });
  EXPECT_TRUE(ran.empty());  // no scheduler: the loop owner drains
  DrainPosted();
  EXPECT_EQ(ran, (std::vector<std::string>{"close", "click", "later"}));
}

TEST_F(GuardTest, SchedulerIsAskedOnceTheOutermostHandlerReturns) {
  int scheduled = 0;
  SetDrainScheduler([&] { ++scheduled; });
  RunGuarded({"a", "", "e"}, [&] {
    Post({"a", "", "p"}, [] {});
    EXPECT_EQ(scheduled, 0);
  });
  EXPECT_EQ(scheduled, 1);
  DrainPosted();
  EXPECT_EQ(PostedCount(), 0u);
  SetDrainScheduler(nullptr);
}

TEST_F(GuardTest, ApplicationOpenRecordsTheWorkingDirectoryOnce) {
  bool opened = false;
  Application vexlo([&] { opened = true; });
  vexlo.create();
  vexlo.open("--ignored args");
  EXPECT_TRUE(opened);
  EXPECT_EQ(vexlo.name(), "vexlo");
  EXPECT_EQ(std::filesystem::path(as_currentpath), std::filesystem::current_path());
  std::filesystem::current_path("/");
  EXPECT_NE(as_currentpath, "/");
  vexlo.destroy();
}

}  // namespace
}  // namespace vexlo::app
