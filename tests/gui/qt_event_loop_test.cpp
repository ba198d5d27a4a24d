// The shell's behaviour inside Qt's real event loop: errors never cross it, and posted calls wait
// for the running handler even while that handler keeps the windows repainting.
#include <QTimer>
#include <gtest/gtest.h>

#include "app/event_guard.h"
#include "app/globals.h"
#include "gui/vexlo_qapplication.h"
#include "app/post_queue.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

class QtLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qt_event_loop_test";
    static char* argv[] = {name, nullptr};
    static gui::VexloQApplication* qt = new gui::VexloQApplication(argc, argv);
    (void)qt;
    gui::InstallQtDrainScheduler();
  }
  void TearDown() override { ClearPosted(); }

  test::ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::ScriptedHost host_;
};

TEST_F(QtLoopTest, ExceptionEscapingAnUnguardedSlotIsCaughtByTheLastNet) {
  QTimer::singleShot(0, [] { throw RuntimeError::NullObject("excelserver"); });
  QTimer::singleShot(20, [] { QCoreApplication::quit(); });
  QCoreApplication::exec();
  ASSERT_EQ(host_.log.size(), 1u);
  EXPECT_EQ(error.number, kErrNullObject);
  EXPECT_NE(test::ReadFile(dir_ / "AppError.txt").find("excelserver"), std::string::npos);
}

TEST_F(QtLoopTest, PostedCallsWaitWhileALongRunRepaints) {
  std::vector<std::string> order;
  QTimer::singleShot(0, [&] {
    RunGuarded({"w_vexlo", "uo_6", "ue_clicked"}, [&] {
      Post({"w_msg", "", "wf_close"}, [&] { order.push_back("wf_close"); });
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
