// The shell's behaviour inside Qt's real event loop: errors never cross it, and posted calls wait
// for the running handler even while that handler keeps the windows repainting.
#include <QTimer>
#include <gtest/gtest.h>

#include "app/event_guard.h"
#include "app/application.h"
#include "app/app_state.h"
#include "gui/vexlo_qapplication.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

// What gui/main.cpp builds, once for the suite (Qt allows one application per process).
struct Program {
  test::ScriptedHost host;
  AppState state;
  Application vexlo{state, host, SystemTime};
  Events events{state.error, [this] { vexlo.systemerror(); }, gui::QtDrainScheduler(events)};
  int argc = 1;
  char name[32] = "qt_event_loop_test";
  char* argv[2] = {name, nullptr};
  gui::VexloQApplication qt{argc, argv, events};
};

class QtLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (program_ == nullptr) program_ = new Program;
  }
  void SetUp() override { program_->host.log.clear(); }
  void TearDown() override { program_->events.ClearPosted(); }

  static Program* program_;
  test::ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::ScriptedHost& host_ = program_->host;
  Events& events_ = program_->events;
};

Program* QtLoopTest::program_ = nullptr;

TEST_F(QtLoopTest, ExceptionEscapingAnUnguardedSlotIsCaughtByTheLastNet) {
  QTimer::singleShot(0, [] { throw RuntimeError::NullObject("excelserver"); });
  QTimer::singleShot(20, [] { QCoreApplication::quit(); });
  QCoreApplication::exec();
  ASSERT_EQ(host_.log.size(), 1u);
  EXPECT_EQ(program_->state.error.number, kErrNullObject);
  EXPECT_NE(test::ReadFile(dir_ / "AppError.txt").find("excelserver"), std::string::npos);
}

TEST_F(QtLoopTest, PostedCallsWaitWhileALongRunRepaints) {
  std::vector<std::string> order;
  QTimer::singleShot(0, [&] {
    events_.RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [&] {
      events_.Post({"w_msg", "", "wf_close"}, [&] { order.push_back("wf_close"); });
      for (int i = 0; i < 20; ++i) {  // a long run that lets the windows repaint
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      }
      order.push_back("run done");
    });
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
  });
  QCoreApplication::exec();
  EXPECT_EQ(order, (std::vector<std::string>{"run done", "wf_close"}));
}

}  // namespace
}  // namespace vexlo::app
