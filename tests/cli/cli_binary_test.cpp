// The vexlo-merge program itself, run as a child process: exit statuses, what it prints, a whole
// merge on real files once the embedded servers are built in, and a run stopped by SIGTERM.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "office/engine/package/made_files.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/server_registry.h"
#include "tests/cli/merge_program.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;

// The processes whose command line mentions `marker`.
std::vector<pid_t> ProcessesMentioning(const std::string& marker) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline = test::ReadFile(entry.path() / "cmdline");
    if (cmdline.find(marker) != std::string::npos) found.push_back(std::stoi(name));
  }
  return found;
}

// Regular files anywhere below `dir`.
std::vector<std::string> FilesBelow(const fs::path& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path().string());
  }
  return files;
}

using Result = test::ProgramResult;

class CliBinaryTest : public ::testing::Test {
 protected:
  // A program ended by a signal has status -1.
  Result Run(const std::string& args, const std::string& env = "") {
    return test::RunMergeProgram(dir_.path(), args, env);
  }
  test::ScratchDir dir_;
};

TEST_F(CliBinaryTest, UsageHelpAndValidation) {
  EXPECT_EQ(Run("--help").status, 0);
  EXPECT_NE(Run("--help").out.find("退出状态"), std::string::npos);
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("--data a --template b --out c --print 99").status, 2);
  const Result missing = Run("--data 无.xlsx --template 无.docx --out .");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "错误提示：找不到“无.xlsx”文件！\n");
}

// A run that ends at once (a missing data file) while the offices it started for the PDFs are
// still coming up ends cleanly every time: its message and status 1, never a crash on the way
// out, and no office left running.
TEST_F(CliBinaryTest, QuickEndWhileOfficesStartIsClean) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  fs::copy_file(test::DataFile("merge/模板.docx"), dir_ / "模板.docx");
  const fs::path cache = dir_ / "cache";
  for (int run = 0; run < 15; ++run) {
    const Result r = Run("--data 无.xlsx --template 模板.docx --out 输出 --pdf",
                         "XDG_CACHE_HOME='" + cache.string() + "'");
    ASSERT_EQ(r.status, 1) << "run " << run << ": " << r.err;
    EXPECT_EQ(r.err, "错误提示：找不到“无.xlsx”文件！\n");
  }
  EXPECT_EQ(ProcessesMentioning(cache.string()), std::vector<pid_t>{});
}

TEST_F(CliBinaryTest, WholeMergeAndRunTimeError) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"模板.docx", "数据.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  fs::create_directory(dir_ / "输出");
  const Result ok = Run("--data 数据.xlsx --template 模板.docx --out 输出 --pdf --one-file");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("操作提示：您已成功执行了操作！"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "合并输出.docx"));
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "合并输出.pdf"));

  // A missing output folder is made.
  EXPECT_EQ(Run("--data 数据.xlsx --template 模板.docx --out 新/文件夹").status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "新" / "文件夹" / "张三.docx"));

  // A folder where a document should go makes its save fail: a run-time error, logged, own status.
  fs::create_directories(dir_ / "坏" / "李四.docx");
  const Result failed = Run("--data 数据.xlsx --template 模板.docx --out 坏");
  EXPECT_EQ(failed.status, 3);
  EXPECT_NE(failed.err.find("第 2 条记录“李四”"), std::string::npos) << failed.err;
  EXPECT_TRUE(fs::exists(dir_ / "AppError.txt"));
}

// The data sheet behind a notes sheet: without --sheet the run says where the records are and
// ends with the message status; with it the records are merged; an unknown name lists the sheets.
TEST_F(CliBinaryTest, SheetIsChosenByNameOrNumber) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"模板.docx", "说明在前.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  const Result notes = Run("--data 说明在前.xlsx --template 模板.docx --out 输出");
  EXPECT_EQ(notes.status, 1);
  EXPECT_NE(notes.out.find("工作表“说明”中没有数据记录，而工作表“工资”中有 3 条记录。"),
            std::string::npos) << notes.out;
  EXPECT_EQ(notes.out.find("成功"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "输出" / "张三.docx"));

  const Result chosen = Run("--data 说明在前.xlsx --template 模板.docx --out 输出 --sheet 工资");
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_NE((chosen.out + chosen.err).find("共输出 3 个文档"), std::string::npos) << chosen.out;
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "王五.docx"));

  const Result unknown = Run("--data 说明在前.xlsx --template 模板.docx --out 输出 --sheet 3");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("没有名为“3”的工作表。它的工作表有：“说明”、“工资”"), std::string::npos)
      << unknown.err;
}

// Formulas stored without results and no LibreOffice to calculate them: a plain message naming
// the first such cells, the message status, and no document.
TEST_F(CliBinaryTest, FormulasWithoutResultsAndNoOfficeAreToldBeforeWriting) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"工资条.docx", "公式.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  const Result r = Run("--data 公式.xlsx --template 工资条.docx --out 输出", "PATH=/nonexistent");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("有公式没有保存计算结果（工作表“工资”的 C2、D2、E2 等 8 个单元格）"),
            std::string::npos) << r.err;
  EXPECT_NE(r.err.find("没有安装 LibreOffice"), std::string::npos) << r.err;
  EXPECT_TRUE(FilesBelow(dir_ / "输出").empty());
  EXPECT_FALSE(fs::exists(dir_ / "AppError.txt"));
}

// A template that marks its titles «» (and a .csv as data): only the marked titles are filled, in
// the text, a table and the header; a marked name that is no column is told and stays.
TEST_F(CliBinaryTest, MarkedTitlesAreFilledAndAnUnknownNameIsTold) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  fs::copy_file(test::DataFile("word/marked_titles.docx"), dir_ / "通知.docx");
  test::WriteFile(dir_ / "名单.csv", "姓名,部门,ID\r\n张三,销售部,A001\r\n李四,技术部,A002\r\n");
  const Result r = Run("--data 名单.csv --template 通知.docx --out 输出");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE((r.out + r.err).find("没有对应的列标题，将原样保留：“未知”"), std::string::npos)
      << r.out << r.err;
  const std::string li = (dir_ / "输出" / "李四.docx").string();
  const std::string text = test::AllText(*engine::word::WordPackage::Load(li));
  EXPECT_NE(text.find("尊敬的李四：您已被技术部录用。\n姓名保持不变，«未知»没有对应的列。"),
            std::string::npos) << text;
  EXPECT_NE(text.find("A002"), std::string::npos);
  EXPECT_NE(test::Part(li, "word/header1.xml").find("页眉 李四"), std::string::npos);
}

// Workbooks protected with the default password merge like plain ones; one with a password of
// its own ends the run with a message that says so and writes nothing.
TEST_F(CliBinaryTest, ProtectedWorkbooksMergeWithoutAPassword) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  fs::copy_file(test::DataFile("merge/模板.docx"), dir_ / "模板.docx");
  fs::copy_file(test::DataFile("sheet/encrypted_merge_data.xlsx"), dir_ / "数据.xlsx");
  fs::copy_file(test::DataFile("sheet/encrypted_cryptoapi.xls"), dir_ / "工资.xls");
  fs::copy_file(test::DataFile("sheet/own_password_agile.xlsx"), dir_ / "加密.xlsx");

  const Result xlsx = Run("--data 数据.xlsx --template 模板.docx --out 甲");
  EXPECT_EQ(xlsx.status, 0) << xlsx.err;
  EXPECT_TRUE(fs::exists(dir_ / "甲" / "张三.docx"));
  EXPECT_TRUE(fs::exists(dir_ / "甲" / "李四.docx"));
  const Result xls = Run("--data 工资.xls --template 模板.docx --out 乙");
  EXPECT_EQ(xls.status, 0) << xls.err;
  EXPECT_EQ(FilesBelow(dir_ / "乙").size(), 3u);
  EXPECT_TRUE(fs::exists(dir_ / "乙" / "王五.docx"));

  const Result refused = Run("--data 加密.xlsx --template 模板.docx --out 丙");
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.err.find("需要密码"), std::string::npos) << refused.err;
  EXPECT_TRUE(FilesBelow(dir_ / "丙").empty());
}

// Data files that are not what they seem end the run with a message naming the fault, before
// any document is written: a CSV whose quote never closes (once read as one record whose field
// held the rest of the file) and bytes that are no text under a .csv name (once "success" with
// no document).
TEST_F(CliBinaryTest, BrokenTextDataEndsTheRunBeforeAnythingIsWritten) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  fs::copy_file(test::DataFile("merge/模板.docx"), dir_ / "模板.docx");
  fs::copy_file(test::DataFile("sheet/text/unclosed_quote.csv"), dir_ / "工资.csv");
  fs::copy_file(test::DataFile("sheet/text/not_text.csv"), dir_ / "名单.csv");

  const Result quote = Run("--data 工资.csv --template 模板.docx --out 甲");
  EXPECT_EQ(quote.status, 1) << quote.err;
  EXPECT_NE(quote.err.find("错误提示"), std::string::npos) << quote.err;
  EXPECT_NE(quote.err.find("第 4 行有一个引号没有结束"), std::string::npos) << quote.err;
  EXPECT_TRUE(FilesBelow(dir_ / "甲").empty());

  const Result binary = Run("--data 名单.csv --template 模板.docx --out 乙");
  EXPECT_EQ(binary.status, 1) << binary.err;
  EXPECT_NE(binary.err.find("无法识别的文件格式"), std::string::npos) << binary.err;
  EXPECT_TRUE(FilesBelow(dir_ / "乙").empty());
}

// Random bytes named .doc and a picture named .docx are not templates (the office would take the
// bytes for plain text): a plain message naming the file and what it is, before anything is
// written, and no run-time error.
TEST_F(CliBinaryTest, FilesThatAreNoDocumentAreRefusedWithAPlainMessage) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
  fs::copy_file(test::DataFile("merge/数据.xlsx"), dir_ / "数据.xlsx");
  std::string garbage(3000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
  test::WriteFile(dir_ / "模板.doc", garbage);
  const Result r = Run("--data 数据.xlsx --template 模板.doc --out 输出",
                       "XDG_CACHE_HOME='" + (dir_ / "cache").string() + "'");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err.rfind("错误提示：文件“模板.doc”不是 Word 文档", 0), 0u) << r.err;
  EXPECT_EQ(FilesBelow(dir_ / "输出"), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(dir_ / "AppError.txt"));

  test::WriteFile(dir_ / "照片.docx", std::string("\x89PNG\r\n\x1a\n") + garbage);
  const Result picture = Run("--data 数据.xlsx --template 照片.docx --out 输出");
  EXPECT_EQ(picture.status, 1) << picture.err;
  EXPECT_EQ(picture.err.rfind("错误提示：文件“照片.docx”是图片文件，不是 Word 文档。\n请选择Word文档", 0),
            0u)
      << picture.err;
  EXPECT_EQ(FilesBelow(dir_ / "输出"), std::vector<std::string>{});
}

// Per record, a record named "合并输出" gets "合并输出 (2)": the merged document of an earlier
// run stays as it was.
TEST_F(CliBinaryTest, RecordNamedLikeTheMergedDocumentKeepsTheMergedDocument) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"模板.docx", "数据.xlsx", "保留名.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  ASSERT_EQ(Run("--data 数据.xlsx --template 模板.docx --out 输出 --one-file").status, 0);
  const std::string merged = test::ReadFile(dir_ / "输出" / "合并输出.docx");
  const Result r = Run("--data 保留名.xlsx --template 模板.docx --out 输出");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(test::ReadFile(dir_ / "输出" / "合并输出.docx") == merged) << "merged document replaced";
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "合并输出 (2).docx"));
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "张三.docx"));
  EXPECT_NE(r.err.find("合并输出 (2).docx"), std::string::npos) << r.err;
}

// What a killed run left behind goes with the next run: its private folder with records'
// documents (even when the next run needs no folder of its own) and the writer's temporary file
// it listed in the output folder. A look-alike of that temporary file that it never listed stays.
TEST_F(CliBinaryTest, LeftoversOfAKilledRunGoWithTheNextRun) {
  engine::RegisterEmbeddedServers(test::Engine());
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"模板.docx", "数据.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  const fs::path tmp = dir_ / "tmp", out = dir_ / "输出";
  fs::create_directories(tmp);
  fs::create_directories(out);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t killed = ::fork();
  if (killed == 0) {
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string folder = engine::MakePrivateTempFolder("word").value();
    fs::create_directories(fs::path(folder) / "1");
    test::WriteFile(fs::path(folder) / "1" / "张三.docx", "personal data");
    std::string temp = engine::WriterTempTemplate(out);
    const int fd = ::mkstemp(temp.data());
    engine::NoteMadeFile(temp);
    test::WriteFile(out / (".vexlo-" + std::to_string(::getpid()) + "-AbC123"), "the user's");
    if (fd < 0 || ::write(ready[1], "x", 1) != 1) ::_exit(1);
    ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::kill(killed, SIGKILL);
  ::waitpid(killed, nullptr, 0);
  const std::vector<std::string> leftovers = FilesBelow(tmp);
  ASSERT_FALSE(leftovers.empty());
  const fs::path look_alike = out / (".vexlo-" + std::to_string(killed) + "-AbC123");
  std::vector<fs::path> temps;
  for (const auto& e : fs::directory_iterator(out)) {
    if (e.path() != look_alike) temps.push_back(e.path());
  }
  ASSERT_EQ(temps.size(), 1u);

  const Result r = Run("--data 数据.xlsx --template 模板.docx --out 输出", "TMPDIR='" + tmp.string() + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const std::string& file : leftovers) EXPECT_FALSE(fs::exists(file)) << file;
  EXPECT_FALSE(fs::exists(temps[0]));
  EXPECT_EQ(test::ReadFile(look_alike), "the user's");
  EXPECT_EQ(FilesBelow(tmp), std::vector<std::string>{});
}

// Runs vexlo-merge with PDFs on the three-record example, with its own converter profiles
// (`cache_`) and temporary folders (`tmp_`, `run_`) so that they can be told apart, and returns
// once its documents are written and the office process itself (not only its launcher, which is
// started ahead of the first document) converts the PDFs.
class StoppedRunTest : public CliBinaryTest {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  }
  // Starts the run, stops it by `signal` during its PDF output and returns its wait status.
  int StopDuringPdfOutput(int signal) {
    const pid_t merge = StartUntilPdfOutput("模板.docx");
    EXPECT_FALSE(ProcessesMentioning(cache_.string()).empty()) << "no converter seen";
    ::kill(merge, signal);
    int status = 0;
    EXPECT_EQ(::waitpid(merge, &status, 0), merge);
    return status;
  }
  pid_t StartUntilPdfOutput(const std::string& templ) {
    const pid_t merge = Start(templ);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!(DocumentsWritten() && OfficeRunning()) && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return merge;
  }
  // Starts the run with PDFs on `templ`; what it prints goes to out.txt and err.txt.
  pid_t Start(const std::string& templ) {
    for (const std::string name : {templ, std::string("数据.xlsx")}) {
      fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
    }
    for (const fs::path& p : {cache_, tmp_, run_}) fs::create_directories(p);
    const pid_t merge = ::fork();
    if (merge == 0) {
      ::chdir(dir_.path().c_str());
      ::setenv("XDG_CACHE_HOME", cache_.c_str(), 1);
      ::setenv("TMPDIR", tmp_.c_str(), 1);
      ::setenv("XDG_RUNTIME_DIR", run_.c_str(), 1);
      ::dup2(::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
      ::dup2(::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      ::execl(VEXLO_MERGE_PROGRAM, VEXLO_MERGE_PROGRAM, "--data", "数据.xlsx", "--template",
              templ.c_str(), "--out", "输出", "--pdf", nullptr);
      ::_exit(127);
    }
    return merge;
  }
  // The soffice.bin processes of the run's offices.
  std::vector<pid_t> Offices() const {
    std::vector<pid_t> offices;
    for (pid_t pid : ProcessesMentioning(cache_.string())) {
      if (test::ReadFile("/proc/" + std::to_string(pid) + "/cmdline").find("soffice.bin") !=
          std::string::npos) {
        offices.push_back(pid);
      }
    }
    return offices;
  }
  bool OfficeRunning() const { return !Offices().empty(); }
  bool DocumentsWritten() const {
    for (const char* name : kDocuments) {
      if (!fs::exists(dir_ / "输出" / name)) return false;
    }
    return true;
  }
  // Nothing of the run is left: no converter, no temporary file.
  bool AllGone() const {
    return ProcessesMentioning(cache_.string()).empty() && FilesBelow(tmp_).empty() &&
           FilesBelow(run_).empty();
  }

  // Whether the process is stopped by a signal (state T in /proc/PID/stat).
  static bool HeldStill(pid_t pid) {
    const std::string stat = test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'T';
  }
  static int FilesWithExtension(const fs::path& dir, const std::string& ext) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ext;
    return n;
  }

  static constexpr const char* kDocuments[] = {"张三.docx", "李四.docx", "王_五.docx"};
  const fs::path cache_ = dir_ / "cache", tmp_ = dir_ / "tmp", run_ = dir_ / "run";
};

TEST_F(StoppedRunTest, TerminatedDuringPdfOutputLeavesNoConverterAndNoTemporaryFile) {
  const int status = StopDuringPdfOutput(SIGTERM);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 4);
  EXPECT_EQ(ProcessesMentioning(cache_.string()), std::vector<pid_t>{});
  EXPECT_EQ(FilesBelow(tmp_), std::vector<std::string>{});
  // The finished documents stay; no PDF and no hidden file is left half-written.
  for (const char* name : kDocuments) EXPECT_TRUE(fs::exists(dir_ / "输出" / name)) << name;
  for (const auto& e : fs::directory_iterator(dir_ / "输出")) {
    EXPECT_NE(e.path().extension(), ".pdf") << e.path();
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  }
}

// Killed outright, the run cannot clean up itself: its offices end with it, and its temporary
// folders (records' documents on their way to PDF) go at once, not at the next start.
TEST_F(StoppedRunTest, KilledDuringPdfOutputLeavesNoConverterAndNoTemporaryFile) {
  ASSERT_TRUE(WIFSIGNALED(StopDuringPdfOutput(SIGKILL)));
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!AllGone() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ProcessesMentioning(cache_.string()), std::vector<pid_t>{});
  EXPECT_EQ(FilesBelow(tmp_), std::vector<std::string>{});
  EXPECT_EQ(FilesBelow(run_), std::vector<std::string>{});
  for (const char* name : kDocuments) EXPECT_TRUE(fs::exists(dir_ / "输出" / name)) << name;
}

// A .doc template with PDFs: a stop while the offices still owe .doc files and PDFs is a cancel
// (exit 4, told as such), never a run-time error, whichever signal it is.
TEST_F(StoppedRunTest, StoppedDuringDocAndPdfOutputEndsAsCancelled) {
  for (int signal : {SIGINT, SIGHUP}) {
    const pid_t merge = Start("模板.doc");
    // Once the template is read and the first record's .doc is there, the offices are held
    // still so that the stop comes with their work outstanding.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!fs::exists(dir_ / "输出" / "张三.doc") && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::vector<pid_t> offices = Offices();
    ASSERT_FALSE(offices.empty()) << signal;
    for (pid_t office : offices) ::kill(office, SIGSTOP);
    // The stop comes once every office is held still with PDFs still owed.
    const auto still = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::all_of(offices.begin(), offices.end(), HeldStill) && std::chrono::steady_clock::now() < still) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(std::all_of(offices.begin(), offices.end(), HeldStill)) << signal;
    ASSERT_LT(FilesWithExtension(dir_ / "输出", ".pdf"), 3) << signal;
    ::kill(merge, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(merge, &status, 0), merge);
    ASSERT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 4) << signal << test::ReadFile(dir_ / "err.txt");
    EXPECT_NE(test::ReadFile(dir_ / "out.txt").find("操作提示：操作已取消。"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir_ / "err.txt").find("已取消”"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "AppError.txt")) << test::ReadFile(dir_ / "AppError.txt");
    EXPECT_TRUE(Offices().empty());
    // The summary counts the files that are there, not the records that were begun.
    int docs = 0, pdfs = 0;
    for (const auto& e : fs::directory_iterator(dir_ / "输出")) {
      docs += e.path().extension() == ".doc";
      pdfs += e.path().extension() == ".pdf";
    }
    std::string count = "已完成的 " + std::to_string(docs) + " 个文档";
    if (pdfs > 0) count += "和 " + std::to_string(pdfs) + " 个PDF文件";
    EXPECT_NE(test::ReadFile(dir_ / "err.txt").find(count + "，保存在“输出”。"), std::string::npos)
        << count << "\n" << test::ReadFile(dir_ / "err.txt");
    fs::remove_all(dir_ / "输出");
    for (const char* name : {"模板.doc", "数据.xlsx"}) fs::remove(dir_ / name);
  }
}

}  // namespace
}  // namespace vexlo::cli
