// What a killed run leaves behind: its private temporary folders and the files it listed as made
// in an output folder (a writer's temporary file, a merged document under its hidden name). They
// go, by the run's watcher at once or by a later sweep; look-alikes named like them, made by
// someone else or by no process of ours that ended, stay, whatever their names say.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "office/engine/package/atomic_file.h"
#include "office/engine/package/made_files.h"
#include "office/engine/package/process_identity.h"
#include "office/engine/package/temp_folder.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// What the killed child made: a private folder with a record's document in it, a writer's
// temporary file and a merged document in the output folder (both listed as made), and two
// look-alikes of its own pid that it made without listing or marking them.
struct KilledRun {
  pid_t pid = 0;
  fs::path folder, temp, merged;
  fs::path unlisted_temp, unmarked_folder;
};

void WriteAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Forks a run that makes its leftovers in `out` (and in $TMPDIR), then SIGKILLs it while they are
// still open. With `reaper` the run starts its watcher first, as the programs do.
KilledRun KillARun(const fs::path& out, bool reaper) {
  int ready[2];
  EXPECT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    if (reaper) StartTempFolderReaper();
    const std::string pid = std::to_string(::getpid());
    const std::string folder = MakePrivateTempFolder("word").value();
    fs::create_directories(fs::path(folder) / "1");
    test::WriteFile(fs::path(folder) / "1" / "张三.docx", "personal");
    std::string temp = WriterTempTemplate(out);
    const int fd = ::mkstemp(temp.data());
    struct stat st {};
    ::fstat(fd, &st);
    NoteMadeFile(temp, st.st_dev, st.st_ino);
    WriteAll(fd, "half a document");
    const fs::path merged = out / (".vexlo-merge-" + pid + ".docx");
    test::WriteFile(merged, "records so far");
    NoteMadeFile(merged.string());
    test::WriteFile(out / (".vexlo-" + pid + "-abcdef"), "the user's");
    ::mkdir((fs::temp_directory_path() / ("vexlo-word-" + pid + "-NoMark")).c_str(), 0700);
    WriteAll(ready[1], folder + '\n' + temp + '\n');
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t n; (n = ::read(ready[0], buffer, sizeof buffer)) > 0;) {
    said.append(buffer, static_cast<std::size_t>(n));
    if (std::count(said.begin(), said.end(), '\n') == 2) break;
  }
  ::close(ready[0]);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  KilledRun run;
  run.pid = child;
  const std::size_t first = said.find('\n');
  run.folder = said.substr(0, first);
  run.temp = said.substr(first + 1, said.size() - first - 2);
  run.merged = out / (".vexlo-merge-" + std::to_string(child) + ".docx");
  run.unlisted_temp = out / (".vexlo-" + std::to_string(child) + "-abcdef");
  run.unmarked_folder = fs::temp_directory_path() / ("vexlo-word-" + std::to_string(child) + "-NoMark");
  return run;
}

// A folder holding a file of the user's, with `mode`, and a marker naming `maker` unless empty.
fs::path PlantFolder(const fs::path& path, const std::string& marker, mode_t mode = 0700) {
  fs::create_directories(path);
  test::WriteFile(path / "笔记.txt", "the user's");
  if (!marker.empty()) test::WriteFile(path / ".vexlo-owner", marker);
  ::chmod(path.c_str(), mode);
  return path;
}

class LeftoversTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TMPDIR", disk_.path().c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", memory_.path().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    ::unsetenv("XDG_RUNTIME_DIR");
  }

  // Look-alikes of the ended process `pid`'s leftovers, none of them provably its.
  std::vector<fs::path> PlantLookAlikes(pid_t pid) {
    const std::string p = std::to_string(pid);
    const std::string dead_marker = FormatIdentity({pid, 12345, ThisProcess().boot});
    std::vector<fs::path> planted;
    for (const std::string& name :
         std::vector<std::string>{".vexlo-" + p + "-backup", ".vexlo-" + p + "-年度", ".vexlo-" + p + "-AbC1234",
                                  ".vexlo-merge-notes.txt", ".vexlo-merge-" + p + "-old.docx"}) {
      test::WriteFile(out_ / name, "the user's");
      planted.push_back(out_ / name);
    }
    planted.push_back(PlantFolder(disk_ / ("vexlo-notes-" + p + "-01"), dead_marker));
    planted.push_back(PlantFolder(disk_ / ("vexlo-backup-" + p + "-final"), dead_marker));
    planted.push_back(PlantFolder(disk_ / "vexlo-资料-2024-备份", ""));
    planted.push_back(PlantFolder(memory_ / ("vexlo-report-" + p + "-v2"), dead_marker));
    planted.push_back(PlantFolder(disk_ / ("vexlo-word-" + p + "-AbC12"), dead_marker));     // 5 letters
    planted.push_back(PlantFolder(disk_ / ("vexlo-word-" + p + "-NoMrk1"), ""));             // no marker
    planted.push_back(PlantFolder(disk_ / ("vexlo-word-" + p + "-Mode01"), dead_marker, 0755));
    planted.push_back(PlantFolder(disk_ / ("vexlo-word-" + p + "-Other1"),                   // another pid
                                  FormatIdentity({pid + 1, 12345, ThisProcess().boot})));
    // A live process's marker: the test runner's parent, with its real start time.
    const std::optional<ProcessIdentity> parent = RunningProcess(::getppid());
    EXPECT_TRUE(parent.has_value());
    planted.push_back(PlantFolder(disk_ / ("vexlo-word-" + std::to_string(::getppid()) + "-Live01"),
                                  FormatIdentity(*parent)));
    // A link to a folder of the user's under one of our names.
    const fs::path linked = PlantFolder(disk_ / "资料", "");
    fs::create_directory_symlink(linked, disk_ / ("vexlo-word-" + p + "-Link01"));
    planted.push_back(linked / "笔记.txt");
    return planted;
  }

  test::ScratchDir disk_, memory_, output_;
  const fs::path out_ = output_.path();
};

TEST_F(LeftoversTest, ASweepRemovesOnlyWhatAKilledRunProvablyMade) {
  const KilledRun run = KillARun(out_, /*reaper=*/false);
  ASSERT_TRUE(fs::exists(run.folder / "1" / "张三.docx"));
  ASSERT_TRUE(fs::exists(run.temp));
  ASSERT_TRUE(fs::exists(run.merged));
  const std::vector<fs::path> planted = PlantLookAlikes(run.pid);
  // A process id now used by a process started later than the folder's maker: that maker ended.
  ProcessIdentity reused = *RunningProcess(::getppid());
  reused.start -= 1;
  const fs::path reused_folder =
      PlantFolder(disk_ / ("vexlo-word-" + std::to_string(::getppid()) + "-ReUse1"), FormatIdentity(reused));

  RemoveTempFoldersOfEndedProcesses();

  EXPECT_FALSE(fs::exists(run.folder));
  EXPECT_FALSE(fs::exists(run.temp));
  EXPECT_FALSE(fs::exists(run.merged));
  EXPECT_FALSE(fs::exists(reused_folder));
  EXPECT_TRUE(fs::exists(run.unlisted_temp));
  EXPECT_TRUE(fs::exists(run.unmarked_folder));
  for (const fs::path& p : planted) EXPECT_TRUE(fs::exists(p)) << p;
  // The run's list went with its folder: nothing of vexlo's is left in $TMPDIR but the plants.
  for (const auto& e : fs::directory_iterator(disk_.path())) {
    EXPECT_FALSE(e.path().filename().string().starts_with("vexlo-files-")) << e.path();
  }
}

// The watcher of a run killed outright removes what the run made at once, and nothing else.
TEST_F(LeftoversTest, TheWatcherOfAKilledRunRemovesItsLeftoversAtOnce) {
  const pid_t dead = [] {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
  }();
  const std::vector<fs::path> planted = PlantLookAlikes(dead);
  const KilledRun run = KillARun(out_, /*reaper=*/true);
  const auto gone = [&] { return !fs::exists(run.folder) && !fs::exists(run.temp) && !fs::exists(run.merged); };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!gone() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(fs::exists(run.folder));
  EXPECT_FALSE(fs::exists(run.temp));
  EXPECT_FALSE(fs::exists(run.merged));
  EXPECT_TRUE(fs::exists(run.unlisted_temp));
  EXPECT_TRUE(fs::exists(run.unmarked_folder));
  for (const fs::path& p : planted) EXPECT_TRUE(fs::exists(p)) << p;
}

// The atomic writer's temporary files go with the write, a failed one too.
TEST_F(LeftoversTest, TheWritersTemporaryFilesGoWithTheWrite) {
  WriteFileAtomically((out_ / "李四.docx").string(), "new");
  EXPECT_EQ(test::ReadFile(out_ / "李四.docx"), "new");
  fs::create_directory(out_ / "王五.docx");
  EXPECT_ANY_THROW(WriteFileAtomically((out_ / "王五.docx").string(), "x"));
  for (const auto& e : fs::directory_iterator(out_)) {
    EXPECT_FALSE(e.path().filename().string().starts_with(".vexlo-")) << e.path();
  }
}

TEST(ProcessIdentityTest, NamesOneProcessForGood) {
  const ProcessIdentity me = ThisProcess();
  EXPECT_TRUE(StillRuns(me));
  EXPECT_NE(me.start, 0u);
  ProcessIdentity later = me;
  later.start += 1;
  EXPECT_FALSE(StillRuns(later));  // the same id, another process
  ProcessIdentity other_boot = me;
  other_boot.boot = "00000000-0000-0000-0000-000000000000";
  EXPECT_FALSE(StillRuns(other_boot));
  // An ended child not yet waited for (a zombie) has ended.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  const std::optional<ProcessIdentity> running = RunningProcess(child);
  ProcessIdentity zombie = running ? *running : ProcessIdentity{child, 1, me.boot};
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(StillRuns(zombie));
  ::waitpid(child, nullptr, 0);

  // A marker cut short names nobody.
  const std::string marker = FormatIdentity(me);
  EXPECT_EQ(ParseIdentity(marker), me);
  EXPECT_FALSE(ParseIdentity(marker.substr(0, marker.size() - 1)).has_value());
}

}  // namespace
}  // namespace vexlo::engine
