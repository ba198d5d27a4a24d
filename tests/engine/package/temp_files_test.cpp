// What a killed process leaves behind: the atomic writer's temporary files in a folder it wrote
// into, and its private temporary folders. Only those of processes that have ended go, only ours.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "office/engine/package/atomic_file.h"
#include "office/engine/package/temp_folder.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// The id of a process that has ended.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(AtomicFileTest, LeftoversOfEndedWritersGoWhenTheFolderIsWrittenAgain) {
  test::ScratchDir dir;
  const std::string dead = std::to_string(EndedProcess());
  const std::string living = std::to_string(::getppid());
  const fs::path killed = dir / (".vexlo-" + dead + "-AbC123");
  const std::vector<fs::path> kept = {
      dir / (".vexlo-" + living + "-AbC123"),  // a writer still at work
      dir / (".vexlo-merge-" + dead + ".docx"),  // the merge's own, swept under its folder lock
      dir / (".vexlo-" + dead + "-AbC1234"),  // not a name the writer makes
      dir / "张三.docx"};
  test::WriteFile(killed, "");
  for (const fs::path& p : kept) test::WriteFile(p, "x");

  WriteFileAtomically((dir / "李四.docx").string(), "new");
  EXPECT_FALSE(fs::exists(killed));
  for (const fs::path& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
  EXPECT_EQ(test::ReadFile(dir / "李四.docx"), "new");
  // The writer's own temporary files carry its process id (checked through a failed commit:
  // a folder in the target's place leaves no temporary file behind either).
  fs::create_directory(dir / "王五.docx");
  EXPECT_ANY_THROW(WriteFileAtomically((dir / "王五.docx").string(), "x"));
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    EXPECT_FALSE(name.starts_with(".vexlo-" + std::to_string(::getpid()))) << name;
  }
}

// At a program's start, the folders of processes that ended go from both places temporary
// folders are made, before the program makes one of its own.
TEST(TempFolderTest, FoldersOfEndedProcessesGoAtStart) {
  test::ScratchDir disk, memory;
  ::setenv("TMPDIR", disk.path().c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", memory.path().c_str(), 1);
  const std::string dead = std::to_string(EndedProcess());
  const fs::path word = disk / ("vexlo-word-" + dead + "-AbC123");
  const fs::path living = disk / ("vexlo-word-" + std::to_string(::getppid()) + "-AbC123");
  for (const fs::path& p : {word, living}) {
    fs::create_directories(p / "1");
    test::WriteFile(p / "1" / "张三.docx", "personal");
  }
  RemoveTempFoldersOfEndedProcesses();
  EXPECT_FALSE(fs::exists(word));
  EXPECT_TRUE(fs::exists(living));
  ::unsetenv("TMPDIR");
  ::unsetenv("XDG_RUNTIME_DIR");
}

// A process killed outright: its watcher removes its folder (a record's document in it) at
// once, and ends too.
TEST(TempFolderTest, KilledProcessLeavesNoFolderBehind) {
  test::ScratchDir disk;
  ::setenv("TMPDIR", disk.path().c_str(), 1);
  const pid_t owner = ::fork();
  if (owner == 0) {
    StartTempFolderReaper();
    const std::string folder = MakePrivateTempFolder("word");
    test::WriteFile(fs::path(folder) / "张三.docx", "personal");
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(owner, &status, 0), owner);
  EXPECT_TRUE(WIFSIGNALED(status));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::is_empty(disk.path()) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(fs::is_empty(disk.path()));
  ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace vexlo::engine
