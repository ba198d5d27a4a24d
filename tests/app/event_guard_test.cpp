// The dispatch boundary and the posted-call queue.
#include "app/event_guard.h"

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/app_state.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

class GuardTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::ScriptedHost host_;
  AppState state_;
  Application vexlo_{state_, host_, [] { return LocalTime{2026, 12, 7, 15, 30, 0}; }};
  Events events_{state_.error, [this] { vexlo_.systemerror(); }};
  const ErrorRecord& error = state_.error;
};

TEST_F(GuardTest, ErrorInAHandlerReachesTheHandlerWithItsPlaceAndTheProgramGoesOn) {
  vexlo_.create();
  int handled = 0;
  auto fail = [] { throw RuntimeError::DivideByZero(); };

  EXPECT_FALSE(events_.RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, fail));
  EXPECT_EQ(error.number, kErrDivideByZero);
  EXPECT_EQ(error.window, "w_vexlo");
  EXPECT_EQ(error.control, "uo_6");
  EXPECT_EQ(error.script, "ue_clicked");
  EXPECT_GT(error.line, 0);

  // Answered No: the next event runs, and the next error is logged and asked about again.
  EXPECT_TRUE(events_.RunGuarded({"w_vexlo", "uo_1", "ue_clicked"}, [&] { ++handled; }));
  EXPECT_FALSE(events_.RunGuarded({"w_vexlo", "uo_2", "ue_clicked"}, fail));
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(host_.log.size(), 2u);
  const std::string log = test::ReadFile(dir_ / "AppError.txt");
  EXPECT_NE(log.find("uo_2"), std::string::npos);
  EXPECT_NE(log.find("uo_6"), std::string::npos);
  EXPECT_NE(log.find("2026.12.07 15:30:00"), std::string::npos);  // the clock it was given
  vexlo_.destroy();
}

TEST_F(GuardTest, ForeignExceptionsBecomeRunTimeErrors) {
  EXPECT_FALSE(events_.RunGuarded({"w", "c", "e"}, [] { throw std::runtime_error("boom"); }));
  EXPECT_EQ(error.number, kErrOther);
  EXPECT_NE(error.text.find("boom"), std::string::npos);
  EXPECT_FALSE(events_.RunGuarded({"w", "c", "e"}, [] { throw 42; }));
  EXPECT_EQ(error.number, kErrOther);
}

TEST_F(GuardTest, InnermostEventNamesTheError) {
  events_.RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [this] {
    EXPECT_EQ(events_.CurrentEvent()->control, "uo_6");
    events_.RunGuarded({"w_msg", "", "open"}, [] { throw RuntimeError::ArrayBounds(); });
  });
  EXPECT_EQ(error.window, "w_msg");
  EXPECT_EQ(error.script, "open");
  EXPECT_EQ(events_.CurrentEvent(), nullptr);
}

// Two dispatchers share nothing: an error or a posted call of one never reaches the other.
TEST_F(GuardTest, EachDispatcherKeepsItsOwnQueueAndRecord) {
  ErrorRecord other_error;
  int other_reports = 0;
  Events other(other_error, [&] { ++other_reports; });
  other.Post({"a", "", "p"}, [] {});
  EXPECT_EQ(events_.PostedCount(), 0u);
  EXPECT_FALSE(other.RunGuarded({"o", "", "e"}, [] { throw RuntimeError::DivideByZero(); }));
  EXPECT_EQ(other_reports, 1);
  EXPECT_EQ(other_error.window, "o");
  EXPECT_EQ(error.number, 0);
  EXPECT_TRUE(host_.log.empty());
}

TEST_F(GuardTest, PostedCallsWaitForTheHandlerAndRunInPostingOrder) {
  std::vector<std::string> ran;
  events_.RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [&] {
    events_.Post({"w_msg", "", "wf_close"}, [&] { ran.push_back("close"); });
    events_.Post({"uo_picbutton2", "", "clicked"}, [&] {
      ran.push_back("click");
      events_.Post({"x", "", "later"}, [&] { ran.push_back("later"); });
    });
    // A nested repaint loop during a long run drains nothing.
    events_.DrainPosted();
    EXPECT_TRUE(ran.empty());
  });
  EXPECT_TRUE(ran.empty());  // no scheduler: the loop owner drains
  events_.DrainPosted();
  EXPECT_EQ(ran, (std::vector<std::string>{"close", "click", "later"}));
}

TEST_F(GuardTest, SchedulerIsAskedOnceTheOutermostHandlerReturns) {
  int scheduled = 0;
  Events scheduled_events(state_.error, [] {}, [&] { ++scheduled; });
  scheduled_events.RunGuarded({"a", "", "e"}, [&] {
    scheduled_events.Post({"a", "", "p"}, [] {});
    scheduled_events.Post({"a", "", "q"}, [] {});
    EXPECT_EQ(scheduled, 0);
  });
  EXPECT_EQ(scheduled, 1);
  scheduled_events.DrainPosted();
  EXPECT_EQ(scheduled_events.PostedCount(), 0u);
}

TEST_F(GuardTest, ApplicationOpenRecordsTheWorkingDirectoryOnce) {
  bool opened = false;
  Application vexlo(state_, host_, SystemTime, [&] { opened = true; });
  vexlo.create();
  vexlo.open("--ignored args");
  EXPECT_TRUE(opened);
  EXPECT_EQ(vexlo.name(), "vexlo");
  EXPECT_EQ(std::filesystem::path(state_.as_currentpath), std::filesystem::current_path());
  std::filesystem::current_path("/");
  EXPECT_NE(state_.as_currentpath, "/");
  vexlo.destroy();
}

}  // namespace
}  // namespace vexlo::app
