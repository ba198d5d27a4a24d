// vexlo-merge in-process, against the recording stand-ins for the two servers: usage errors,
// exit statuses, printed messages, the progress bar, AppError.txt.
#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/runtime_error.h"
#include "cli/cli_options.h"
#include "office/deferred_work.h"
#include "tests/support/recording_office.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

// A stream whose text can be read back.
class Capture {
 public:
  Capture() : file_(std::tmpfile()) {}
  ~Capture() { std::fclose(file_); }
  std::FILE* get() { return file_; }
  std::string text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string s;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;) s.append(buf, n);
    return s;
  }

 private:
  std::FILE* file_;
};

TEST(CliOptionsTest, BadUsageIsRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--data", "d.xlsx", "--template", "t.docx"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--print", "0"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--print", "51"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--print", "2x"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--colour"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--sheet"},
      {"--data", "d.xlsx", "--template", "t.docx", "--out", "o", "--sheet", ""},
  };
  for (const auto& args : bad) {
    Capture out, err;
    CliProgram program(err.get());
    EXPECT_EQ(RunCli(program, args, out.get(), err.get(), false), kExitUsage);
    EXPECT_NE(err.text().find("vexlo-merge --help"), std::string::npos);
  }
  std::string error;
  const auto options = ParseCliOptions({"--out", "", "--template", "t.doc", "--data", "d.xls",
                                        "--one-file", "--pdf", "--print", "50", "--visible",
                                        "--as-shown", "--sheet", "工资"},
                                       error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->out, "");
  EXPECT_TRUE(options->one_file && options->pdf && options->visible && options->as_shown);
  EXPECT_TRUE(RequestFromOptions(*options).as_shown);
  EXPECT_EQ(RequestFromOptions(*options).sheet, "工资");
  EXPECT_EQ(options->copies, 50);
}

TEST(CliOptionsTest, HelpIsChineseAndSucceeds) {
  Capture out, err;
  CliProgram program(err.get());
  EXPECT_EQ(RunCli(program, {"--help"}, out.get(), err.get(), false), kExitSuccess);
  const std::string help = out.text();
  EXPECT_NE(help.find("用法：vexlo-merge"), std::string::npos);
  EXPECT_NE(help.find("AppError.txt"), std::string::npos);
}

class CliRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir_ / "数据.xlsx", "sheet");
    test::WriteFile(dir_ / "模板.docx", "Dear NAME.\n");
    std::filesystem::create_directory(dir_ / "out");
    office_.cells = {{"a1", "NAME"}, {"a2", "张三"}, {"a3", "李四"}};
  }
  int Run(std::vector<std::string> extra, bool interactive = false,
          const CliEngine& engine = {}) {
    std::vector<std::string> args = {"--data", (dir_ / "数据.xlsx").string(), "--template",
                                     (dir_ / "模板.docx").string(), "--out", (dir_ / "out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    CliProgram program(err_.get());
    return RunCli(program, args, out_.get(), err_.get(), interactive, {}, engine);
  }
  test::ScratchDir dir_;
  test::CurrentDirGuard cwd_{dir_.path()};
  test::RecordingOffice office_;
  Capture out_, err_;
};

TEST_F(CliRunTest, SuccessPrintsTheMessagesAndTheProgress) {
  EXPECT_EQ(Run({"--pdf", "--print", "2"}, true), kExitSuccess);
  // What will be printed is said before the run starts (no question: --print asked for it).
  // (The printer is this machine's default one.)
  const std::string out = out_.text(), err = err_.text();
  EXPECT_EQ(out.rfind("操作提示：将在打印机“", 0), 0u) << out;
  EXPECT_NE(out.find("”上打印 2 个文档，每个 2 份，共 4 份。\n"
                     "正在输出，可能需要较长时间，请稍候……\n操作提示：您已成功执行了操作！\n"),
            std::string::npos)
      << out;
  EXPECT_NE(err.find("] 正在生成文档 第 1 条，共 2 条"), std::string::npos) << err;
  EXPECT_NE(err.find("已发送 2 个打印作业到打印机“"), std::string::npos) << err;
  EXPECT_NE(err.find("”，每个 2 份。"), std::string::npos) << err;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out" / "李四.docx"));
  ASSERT_EQ(office_.Lines("word2 printout").size(), 2u);
  EXPECT_EQ(office_.Lines("word2 printout")[0], "word2 printout true false 0 '' '' '' 0 '2'");
}

// The engine's held-back work, as main passes it to the run.
class EngineOutput : public office::DeferredWork {
 public:
  office::OutputGap gap = office::OutputGap::kNone;
  int finishes = 0;
  office::OutputGap Check(std::string_view, bool, bool) const override { return gap; }
  void Flush(bool finish, const office::WaitWatch&) override { finishes += finish ? 1 : 0; }
  void Cancel() override {}
  std::string Printer() const override { return "财务室打印机"; }
};

// The run uses the deferred work it is given: its printer is the one named, the run waits for
// it at the end, and what it finds missing stops the run before anything is written.
TEST_F(CliRunTest, TheEnginesOutputWorkIsTheRunsFlushPoint) {
  EngineOutput output;
  EXPECT_EQ(Run({"--print", "2"}, false, {.deferred = &output}), kExitSuccess);
  EXPECT_NE(out_.text().find("将在打印机“财务室打印机”上打印 2 个文档"), std::string::npos);
  EXPECT_EQ(output.finishes, 1);

  std::filesystem::remove_all(dir_ / "out");
  std::filesystem::create_directory(dir_ / "out");
  output.gap = office::OutputGap::kNoPrinter;
  EXPECT_EQ(Run({"--print", "2"}, false, {.deferred = &output}), kExitMessage);
  EXPECT_NE(err_.text().find("没有找到可用的打印机！"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "out"));
  EXPECT_EQ(output.finishes, 1);
}

TEST_F(CliRunTest, ValidationMessageEndsWithItsOwnStatus) {
  std::filesystem::remove(dir_ / "数据.xlsx");
  EXPECT_EQ(Run({}), kExitMessage);
  EXPECT_EQ(err_.text(), "错误提示：找不到“" + (dir_ / "数据.xlsx").string() + "”文件！\n");
}

TEST_F(CliRunTest, RunTimeErrorIsLoggedAndEndsWithItsOwnStatus) {
  office_.failing_members = {"saveas"};
  EXPECT_EQ(Run({}), kExitRuntimeError);
  EXPECT_NE(err_.text().find("系统发生错误"), std::string::npos);
  const std::string log = test::ReadFile(dir_ / "AppError.txt");
  EXPECT_FALSE(log.empty());
  EXPECT_EQ(office_.running, 0);
}

TEST_F(CliRunTest, EmptyOutputFolderMeansTheCurrentFolder) {
  std::vector<std::string> args = {"--data", "数据.xlsx", "--template", "模板.docx", "--out", ""};
  CliProgram program(err_.get());
  EXPECT_EQ(RunCli(program, args, out_.get(), err_.get(), false), kExitSuccess);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "张三.docx"));
}

TEST_F(CliRunTest, ControlCharactersReachTheTerminalEscaped) {
  office_.cells["a2"] = "\x1b]0;标题\x07张三";
  EXPECT_EQ(Run({}), kExitSuccess);
  const std::string out = out_.text(), err = err_.text();
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(err.find('\x1b'), std::string::npos);
  EXPECT_EQ(err.find('\x07'), std::string::npos);
  // The renamed record is listed on stderr below the final message, escaped.
  EXPECT_NE(err.find("以下记录的文件名与记录内容不同："), std::string::npos) << err;
  EXPECT_NE(err.find("第 1 条“\\x1B]0;标题\\x07张三” → _]0;标题_张三.docx"), std::string::npos) << err;
  EXPECT_NE(err.find("共输出 2 个文档，保存在“" + (dir_ / "out").string() + "”。"), std::string::npos);
}

TEST_F(CliRunTest, StopRequestEndsAfterTheRecordWithItsOwnStatus) {
  std::vector<std::string> args = {"--data", (dir_ / "数据.xlsx").string(), "--template",
                                   (dir_ / "模板.docx").string(), "--out", (dir_ / "out").string()};
  CliProgram program(err_.get());
  EXPECT_EQ(RunCli(program, args, out_.get(), err_.get(), false, [] { return true; }),
            kExitCancelled);
  EXPECT_NE(out_.text().find("操作提示：操作已取消。"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "out" / "张三.docx"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out" / "李四.docx"));
  EXPECT_EQ(office_.running, 0);
}

}  // namespace
}  // namespace vexlo::cli
