// The error log and the box of gf_apperror: byte layout, appending, locking, answers.
#include "app/gf_apperror.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "app/clock.h"
#include "app/codepage.h"
#include "app/error_log.h"
#include "app/app_state.h"
#include "app/shown_text.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::app {
namespace {

using test::ReadFile;
using test::ScratchDir;

class GfAppErrorTest : public ::testing::Test {
 protected:
  // Logs the error record at a fixed time, asking host_.
  int16_t Report() {
    return gf_apperror(error, host_, [] { return LocalTime{2020, 2, 29, 1, 16, 6}; });
  }

  ErrorRecord error{-12, "除数为零", "w_vexlo", "uo_6", "ue_clicked", 37};

  ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::ScriptedHost host_;
};

TEST_F(GfAppErrorTest, FirstEntryIsByteExactCp936WithCrLf) {
  EXPECT_EQ(Report(), 1);

  const std::string eq = "//" + std::string(78, '=');
  const std::string dash = "//" + std::string(78, '-');
  // The labels spelled out as code page 936 bytes, independently of the converter.
  const std::string expected =
      "\r\n" + eq + "\r\n" + "// 2020.02.29 01:16:06\r\n" + dash + "\r\n" +
      "   1.\xB4\xFA\xBA\xC5\xA3\xBA-12\r\n"                     // 1.代号：-12
      "   2.\xD0\xC5\xCF\xA2\xA3\xBA\xB3\xFD\xCA\xFD\xCE\xAA\xC1\xE3\r\n"  // 2.信息：除数为零
      "   3.\xB6\xD4\xCF\xF3\xA3\xBAw_vexlo\r\n"                // 3.对象：
      "   4.\xBF\xD8\xBC\xFE\xA3\xBAuo_6\r\n"                   // 4.控件：
      "   5.\xBD\xC5\xB1\xBE\xA3\xBAue_clicked\r\n"             // 5.脚本：
      "   6.\xD0\xD0\xBA\xC5\xA3\xBA\xB5\xDA 37 \xD0\xD0\r\n"   // 6.行号：第 37 行
      + eq + "\r\n";
  EXPECT_EQ(ReadFile(dir_ / "AppError.txt"), expected);
}

TEST_F(GfAppErrorTest, LaterEntriesAppendAndNeverTruncate) {
  test::WriteFile(dir_ / "AppError.txt", "kept\r\n");
  Report();
  const std::string after_one = ReadFile(dir_ / "AppError.txt");
  error.number = 5;
  Report();
  const std::string after_two = ReadFile(dir_ / "AppError.txt");

  ASSERT_EQ(after_one.rfind("kept\r\n", 0), 0u);
  ASSERT_EQ(after_two.rfind(after_one, 0), 0u);  // first entry untouched
  EXPECT_EQ(after_two.size() - after_one.size(), after_one.size() - 6 - 2);  // "-12" -> "5"
  EXPECT_EQ(after_two.substr(after_one.size(), 2), "\r\n");  // an empty line opens each entry
}

TEST_F(GfAppErrorTest, BoxAsksWithTheDetailsAndNoKeepsRunning) {
  host_.yes_no_answers = {false};
  EXPECT_EQ(Report(), 1);
  ASSERT_EQ(host_.log.size(), 1u);
  EXPECT_EQ(host_.log[0],
            "ask 提示信息|\n系统发生错误，请记录以下错误信息后联系管理员处理。\n\n"
            "1.代号：-12\n2.信息：除数为零\n3.对象：w_vexlo\n4.控件：uo_6\n"
            "5.脚本：ue_clicked\n6.行号：第 37 行\n\n是否退出系统?");
  EXPECT_EQ(host_.end_program_calls, 0);
}

TEST_F(GfAppErrorTest, YesEndsTheProgramAfterTheEntryIsWritten) {
  host_.yes_no_answers = {true};
  Report();
  EXPECT_EQ(host_.end_program_calls, 1);
  EXPECT_FALSE(ReadFile(dir_ / "AppError.txt").empty());
}

// Sets an environment variable for the life of the object (unset when `value` is null).
class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvGuard() {
    if (saved_) {
      ::setenv(name_, saved_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST_F(GfAppErrorTest, UnwritableCurrentFolderLogsToTheUserDataFolderAndSaysWhere) {
  // A folder where the file should be: the open fails even for root.
  std::filesystem::create_directory(dir_ / "AppError.txt");
  const std::string data = (dir_ / "数据").string();
  EnvGuard xdg("XDG_DATA_HOME", data.c_str());
  EXPECT_EQ(Report(), 1);
  const std::string fallback = data + "/vexlo/AppError.txt";
  EXPECT_NE(ReadFile(fallback).find("\xB5\xDA 37 \xD0\xD0"), std::string::npos);  // 第 37 行
  ASSERT_EQ(host_.log.size(), 1u);
  EXPECT_NE(host_.log[0].find("6.行号：第 37 行\n\n错误信息已记录在“" + fallback + "”。\n\n是否退出系统?"),
            std::string::npos);

  // Without XDG_DATA_HOME the folder is below the home folder.
  EnvGuard no_xdg("XDG_DATA_HOME", nullptr);
  EnvGuard home("HOME", data.c_str());
  Report();
  EXPECT_FALSE(ReadFile(data + "/.local/share/vexlo/AppError.txt").empty());
}

TEST_F(GfAppErrorTest, LogWrittenNowhereStillShowsTheFullBoxAndSaysSo) {
  std::filesystem::create_directory(dir_ / "AppError.txt");
  // The data folder cannot be made: a plain file stands where it should be.
  test::WriteFile(dir_ / "file", "x");
  const std::string data = (dir_ / "file").string();
  EnvGuard xdg("XDG_DATA_HOME", data.c_str());
  EXPECT_EQ(Report(), 1);
  ASSERT_EQ(host_.log.size(), 1u);
  EXPECT_NE(host_.log[0].find("6.行号：第 37 行\n\n错误信息无法写入“AppError.txt”。"), std::string::npos);
}

// A child process holding an exclusive lock on a file until Release (another copy of the
// program writing its entry).
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int ready[2], release[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(release), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(release[1]);
      int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
      flock(fd, LOCK_EX);
      char c = 1;
      (void)!write(ready[1], &c, 1);
      (void)!read(release[0], &c, 1);  // returns once the parent closes its end
      _exit(0);
    }
    close(release[0]);
    release_ = release[1];
    char c;
    (void)!read(ready[0], &c, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~LockHolder() { Release(); }
  // Ends the child, and with it its lock.
  void Release() {
    if (pid_ <= 0) return;
    close(release_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
};

// Whether this process has `path` open.
bool OpenHere(const std::string& path) {
  const std::string wanted = std::filesystem::canonical(path).string();
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(fd.path(), ec).string() == wanted) return true;
  }
  return false;
}

TEST_F(GfAppErrorTest, WaitsForAnotherCopysLockInsteadOfLosingTheEntry) {
  const std::string path = (dir_ / "AppError.txt").string();
  LockHolder holder(path);
  // The other copy lets go only once this one has the log open and waits for the lock.
  std::thread other([&] {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!OpenHere(path) && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    holder.Release();
  });
  Report();
  other.join();
  EXPECT_NE(ReadFile(path).find("ue_clicked"), std::string::npos);
}

TEST_F(GfAppErrorTest, SkipsTheEntryOnlyWhenTheLockOutlastsTheWait) {
  const std::string path = (dir_ / "AppError.txt").string();
  LockHolder holder(path);
  EXPECT_FALSE(AppendLogEntry(path, {"x"}, std::chrono::milliseconds(50)));
  holder.Release();
  EXPECT_EQ(ReadFile(path), "");
}

TEST_F(GfAppErrorTest, TwoProcessesAppendingAtOnceNeverInterleave) {
  const std::string path = (dir_ / "AppError.txt").string();
  constexpr int kEntries = 200;
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kEntries; ++i) {
        std::vector<std::string> lines(10, std::string(60, who));
        lines[0] = std::string(1, who) + std::to_string(i);
        AppendLogEntry(path, lines);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) waitpid(pid, nullptr, 0);

  // Every block of ten lines must come from one writer, and each writer's entries stay in order.
  const std::string log = ReadFile(path);
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < log.size();) {
    size_t end = log.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    lines.push_back(log.substr(pos, end - pos));
    pos = end + 2;
  }
  ASSERT_EQ(lines.size(), 2u * kEntries * 10);
  int next[2] = {0, 0};
  for (size_t i = 0; i < lines.size(); i += 10) {
    const char who = lines[i][0];
    ASSERT_TRUE(who == 'a' || who == 'b');
    EXPECT_EQ(lines[i].substr(1), std::to_string(next[who - 'a']++));
    for (size_t k = 1; k < 10; ++k) EXPECT_EQ(lines[i + k], std::string(60, who));
  }
}

TEST(AppErrorEntry, NegativeLineKeepsItsSignAfterTheWord) {
  ErrorRecord r{1, "x", "", "", "", -3};
  auto lines = AppErrorEntry(r, LocalTime{2026, 12, 8, 9, 5, 1});
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[2], "// 2026.12.08 09:05:01");
  EXPECT_EQ(lines[9], "   6.行号：第 -3 行");
}

TEST_F(GfAppErrorTest, ControlCharactersFromAFileAreShownEscaped) {
  // A part name from a hostile document, holding a terminal title escape.
  error.text = "无法读取部件“word/\x1b]0;x\x07" "a.xml”\r";
  host_.yes_no_answers = {false};
  Report();
  const std::string log = ReadFile(dir_.path() / "AppError.txt");
  EXPECT_EQ(log.find('\x1b'), std::string::npos);
  EXPECT_EQ(log.find('\x07'), std::string::npos);
  EXPECT_NE(Cp936ToUtf8(log).find("2.信息：无法读取部件“word/\\x1B]0;x\\x07a.xml”\\x0D\r\n"),
            std::string::npos);
  EXPECT_NE(host_.log[0].find("2.信息：无法读取部件“word/\\x1B]0;x\\x07a.xml”\\x0D\n"),
            std::string::npos);
}

TEST(ShownText, OnlyControlCharactersChange) {
  EXPECT_EQ(EscapeControls("行1\n\t行2 “名” C:\\x"), "行1\n\t行2 “名” C:\\\\x");
  EXPECT_EQ(EscapeControls("a\x7f\xc2\x9b[31m"), "a\\x7F\\u009B[31m");
  EXPECT_EQ(Utf8Prefix("汉字汉", 7), "汉字");
  EXPECT_EQ(Utf8Prefix("ab", 7), "ab");
}

}  // namespace
}  // namespace vexlo::app
