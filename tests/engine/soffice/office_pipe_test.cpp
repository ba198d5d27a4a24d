// The offices' pipes: a name whose socket path someone took first (a link, a listening socket)
// is passed over, quickly and without following the link; an office's socket goes with it; the
// sockets a killed run listed go with its other leftovers. The office tests run a real LibreOffice.
#include "office/engine/soffice/office_pipe.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "office/engine/package/temp_folder.h"
#include "office/engine/soffice/office_pool.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// A socket listening at `path` that never answers, as another account could leave it; -1 when
// it cannot be made.
int ListenAt(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

// Pipe names for a pool: those made beforehand first, then fresh ones; all remembered.
struct TestNames {
  std::string Add() {
    names.push_back(RandomPipeName() + "-test" + std::to_string(names.size()));
    return names.back();
  }
  std::string operator()() {
    if (next == names.size()) Add();
    return names[next++];
  }
  std::vector<std::string> names;
  std::size_t next = 0;
};

TEST(PipeNames, ATakenPathIsPassedOver) {
  const std::string taken = RandomPipeName(), free = RandomPipeName();
  ASSERT_NE(taken, free);
  // A dangling link takes a name as much as a socket does.
  ASSERT_EQ(::symlink("/nonexistent/vexlo-target", PipeSocketPath(taken).c_str()), 0);
  const std::vector<std::string> offered = {taken, free};
  std::size_t next = 0;
  EXPECT_EQ(FreePipeName([&] { return offered[next++ % 2]; }).value(), free);
  // Only taken names on offer: a failure, not an endless loop.
  EXPECT_FALSE(FreePipeName([&] { return taken; }).ok());
  ::unlink(PipeSocketPath(taken).c_str());
}

// A run killed with an office's socket in place: the socket it listed goes with the run's
// leftovers; a socket of the same process that it never listed, and a link, stay.
TEST(PipeNames, AKilledRunsListedSocketGoesAndNothingElse) {
  test::ScratchDir tmp;
  ::setenv("TMPDIR", tmp.path().c_str(), 1);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string name = RandomPipeName();
    ListPipeSocket(name);
    const int listed = ListenAt(PipeSocketPath(name));
    const int unlisted = ListenAt(PipeSocketPath("vexlo-" + std::to_string(::getpid()) + "-sweeptest"));
    const bool made = listed >= 0 && unlisted >= 0;
    const std::string said = (made ? name : std::string("-")) + "\n";
    if (::write(ready[1], said.data(), said.size()) < 0) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char buffer[256] = {};
  const ssize_t got = ::read(ready[0], buffer, sizeof buffer - 1);
  ::close(ready[0]);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ASSERT_GT(got, 1);
  ASSERT_NE(buffer[0], '-');
  const std::string listed = PipeSocketPath(std::string(buffer, static_cast<std::size_t>(got) - 1));
  const std::string unlisted = PipeSocketPath("vexlo-" + std::to_string(child) + "-sweeptest");
  const std::string link = PipeSocketPath(RandomPipeName());
  ASSERT_EQ(::symlink(listed.c_str(), link.c_str()), 0);
  EXPECT_TRUE(Exists(listed));

  RemoveTempFoldersOfEndedProcesses();
  EXPECT_FALSE(Exists(listed));
  EXPECT_TRUE(Exists(unlisted));  // never listed: not provably ours
  EXPECT_TRUE(Exists(link));      // not a socket: never ours to remove, nor followed
  ::unlink(unlisted.c_str());
  ::unlink(link.c_str());
  ::unsetenv("TMPDIR");
}

class TakenPipeTest : public ::testing::Test {
 protected:
  // An office starts once on the suite's profile beforehand: on a fresh profile it restarts at
  // once, under a second name, and the taken first one would go untested.
  static void SetUpTestSuite() {
    profiles_ = new test::ScratchDir;
    if (!OfficePool::Available()) return;
    OfficePool warm({.offices = 1, .profile_root = profiles_->path().string()});
    warm.Start();
    warm.WaitForOffices(1, 2min);
  }
  static void TearDownTestSuite() { delete profiles_; }

  void SetUp() override {
    if (!OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  }

  // A pool of one office whose first pipe name is taken by `take` (called with its socket path);
  // the office must answer under another name and make a PDF.
  void ExpectOfficeUnderAnotherName(const std::function<void(const std::string&)>& take) {
    auto names = std::make_shared<TestNames>();
    auto pool = std::make_unique<OfficePool>(OfficePoolOptions{
        .offices = 1, .profile_root = profiles_->path().string(), .start_timeout = 100s,
        .pipe_names = [names] { return (*names)(); }});
    take(PipeSocketPath(names->Add()));
    const auto start = std::chrono::steady_clock::now();
    const fs::path source = dir_ / "通知.docx";
    fs::copy_file(test::DataFile("output/通知.docx"), source);
    const ConversionOutcome made =
        pool->Submit({source.string(), false, {{(dir_ / "通知.pdf").string(), StoreFormat::kPdf}}, "通知.pdf"}).get();
    ASSERT_TRUE(made.ok()) << made.message();
    // An office's first start on a loaded machine takes a while, but not the start timeout.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
    EXPECT_EQ(names->names.size(), 2u);  // one taken, one used
    const std::string used = names->names.back();
    EXPECT_TRUE(Exists(PipeSocketPath(used)));

    // A killed office's socket goes with it, and so does the socket of an office that ends.
    pool->Cancel();
    EXPECT_FALSE(Exists(PipeSocketPath(used)));
    pool->Start();
    EXPECT_TRUE(pool->WaitForOffices(1, 1min));
    pool.reset();
    for (std::size_t k = 1; k < names->names.size(); ++k) {
      EXPECT_FALSE(Exists(PipeSocketPath(names->names[k]))) << names->names[k];
    }
  }

  static test::ScratchDir* profiles_;
  test::ScratchDir dir_;
};

test::ScratchDir* TakenPipeTest::profiles_ = nullptr;

TEST_F(TakenPipeTest, ANameTakenByALinkIsPassedOverAndTheLinkNotFollowed) {
  const fs::path target = dir_ / "target";
  std::string link;
  ExpectOfficeUnderAnotherName([&](const std::string& path) {
    link = path;
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
  });
  EXPECT_FALSE(Exists(target.string()));
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ::unlink(link.c_str());
}

TEST_F(TakenPipeTest, ANameTakenByAListeningSocketIsPassedOver) {
  int fd = -1;
  std::string path;
  ExpectOfficeUnderAnotherName([&](const std::string& p) {
    path = p;
    fd = ListenAt(p);
    ASSERT_GE(fd, 0);
  });
  EXPECT_TRUE(Exists(path));  // someone else's socket stays
  ::close(fd);
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace vexlo::engine
