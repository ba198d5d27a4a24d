// The engine's services own the background work of a program: their end (the end of main) ends
// the offices and the threads with queued work still in them, and nothing is left behind.
#include "office/engine/engine_services.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "tests/support/engine_test_main.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// What the child found wrong, as its exit status (0: nothing).
enum ChildFault { kNone, kNoOffice, kSecondServices, kOfficeLeft, kServicesLeft, kQueueWaiting };

// In a forked child that stands for a whole program: its services start an office, an export is
// queued, and the services end before the export can be made.
int ProgramEndingWithWorkQueued(const fs::path& dir) {
  test::EndEngineServices();  // the test program's own, inherited
  pid_t office = 0;
  {
    EngineServices services({.offices = 1, .profile_root = (dir / "profiles").string()});
    try {
      EngineServices second;
      return kSecondServices;
    } catch (const std::logic_error&) {
    }
    services.pool().Start(1);
    for (int i = 0; i < 1500 && services.pool().OfficePids().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (services.pool().OfficePids().empty()) return kNoOffice;
    office = services.pool().OfficePids().front();
    fs::copy_file(test::DataFile("merge/模板.docx"), dir / "快照.docx");
    services.output_queue().ExportPdf((dir / "快照.docx").string(), (dir / "输出.pdf").string(),
                                      /*take_source=*/true, StoreFormat::kDocx);
  }
  if (::kill(office, 0) == 0 || errno != ESRCH) return kOfficeLeft;
  try {
    Services();
    return kServicesLeft;
  } catch (const std::logic_error&) {
  }
  // The export failed with the end: its snapshot went, no PDF came.
  if (fs::exists(dir / "快照.docx") || fs::exists(dir / "输出.pdf")) return kQueueWaiting;
  return kNone;
}

TEST(EngineServicesTest, TheirEndEndsTheOfficesAndTheQueuedWork) {
  test::ScratchDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(ProgramEndingWithWorkQueued(dir.path()));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kNone);
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string cmdline = test::ReadFile(entry.path() / "cmdline");
    EXPECT_EQ(cmdline.find(dir.path().string()), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace vexlo::engine
