// The whole merge on real files through the embedded servers: .docx with .xlsx and .doc with
// .xls, one document per record and one file for all, with PDFs (their text read back) and print
// jobs on the virtual PDF printer (with their copies); the fallback name for a file another
// process holds; a run without records; a sheet without titles; the data sheet behind a notes
// sheet; formulas stored without results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include <dirent.h>
#include <unistd.h>

#include "app/clock.h"
#include "app/runtime_error.h"
#include "merge/merge_session.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/server_registry.h"
#include "tests/engine/output/cups_jobs.h"
#include "tests/merge/lock_holder.h"
#include "tests/merge/recording_observer.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kSuccess = "final 您已成功执行了操作！";

// The plain text of every document in `dir`, by file name, read back through LibreOffice.
std::map<std::string, std::string> DocumentTexts(const fs::path& dir, const fs::path& scratch) {
  std::vector<std::string> docs;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".docx" || ext == ".doc") docs.push_back(e.path().string());
  }
  const fs::path txt = scratch / "txt";
  engine::RunSofficeConvert(docs, "txt:Text (encoded):UTF8", txt.string(),
                            (scratch / "profile").string());
  std::map<std::string, std::string> texts;
  for (const std::string& doc : docs) {
    const fs::path p(doc);
    texts[p.filename().string()] = test::ReadFile(txt / (p.stem().string() + ".txt"));
  }
  return texts;
}

std::string PdfText(const fs::path& pdf) {
  const std::string cmd = "pdftotext -enc UTF-8 '" + pdf.string() + "' '" + pdf.string() + ".txt'";
  if (std::system(cmd.c_str()) != 0) return "";
  std::string text = test::ReadFile(pdf.string() + ".txt");
  fs::remove(pdf.string() + ".txt");
  return text;
}

// Processes whose parent is this test program (converters it started and did not wait for).
int ChildProcesses() {
  int children = 0;
  DIR* proc = ::opendir("/proc");
  while (dirent* entry = proc ? ::readdir(proc) : nullptr) {
    const std::string stat = test::ReadFile(std::string("/proc/") + entry->d_name + "/stat");
    const std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos) continue;
    int ppid = 0;
    char state = 0;
    if (std::sscanf(stat.c_str() + paren + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid()) {
      ++children;
    }
  }
  if (proc) ::closedir(proc);
  return children;
}

class MergeEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application") ||
        !office::IsServerRegistered("excel.application")) {
      GTEST_SKIP() << "the embedded servers are not built in yet";
    }
    request_.clock = [] { return app::LocalTime{2026, 12, 7, 15, 30, 0}; };
    request_.deferred = &test::Engine().deferred_work();
    fs::create_directory(out_);
    for (const char* name :
         {"模板.docx", "模板.doc", "数据.xlsx", "数据.xls", "无记录.xlsx", "无标题.xlsx", "长名.xlsx",
          "名称.xlsx"}) {
      fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
    }
  }

  MergeOutcome Run(const std::string& data, const std::string& templ) {
    request_.data_path = (dir_ / data).string();
    request_.template_path = (dir_ / templ).string();
    request_.output_folder = out_.string();
    request_.copies_text = "2";
    observer_.log.clear();
    return RunMergeSession(request_, observer_, {excel_, word_, word2_}).outcome;
  }
  bool Printing() const { return !engine::DefaultPrinter().empty(); }

  test::ScratchDir dir_;
  test::ScratchDir scratch_;
  fs::path out_ = dir_ / "输出";
  MergeRequest request_;
  test::RecordingObserver observer_;
  std::unique_ptr<office::oleobject> excel_, word_, word2_;
};

struct Pair {
  std::string data, templ, ext;
};

TEST_F(MergeEndToEndTest, OneDocumentPerRecordWithPdfAndPrint) {
  for (const Pair& p : {Pair{"数据.xlsx", "模板.docx", ".docx"}, Pair{"数据.xls", "模板.doc", ".doc"}}) {
    SCOPED_TRACE(p.templ);
    fs::remove_all(out_);
    fs::create_directory(out_);
    request_.pdf = true;
    request_.print = Printing();
    const int before = Printing() ? test::LastJobId() : 0;
    EXPECT_EQ(Run(p.data, p.templ), MergeOutcome::kSucceeded);
    EXPECT_EQ(observer_.Boxes(), Lines({kSuccess}));

    const auto texts = DocumentTexts(out_, scratch_.path());
    ASSERT_EQ(texts.size(), 3u);
    const std::string zhang = texts.at("张三" + p.ext);
    EXPECT_NE(zhang.find("尊敬的 张三 ：您已被 销售部 录用，工号 A001 ，IDENTITY 保持不变。"),
              std::string::npos) << zhang;
    EXPECT_NE(texts.at("李四" + p.ext).find("技术部"), std::string::npos);
    // The unsafe name is saved with "_", while the letter still says 王/五.
    EXPECT_NE(texts.at("王_五" + p.ext).find("尊敬的 王/五 ："), std::string::npos);
    EXPECT_NE(PdfText(out_ / "李四.pdf").find("您已被 技术部 录用"), std::string::npos);
    EXPECT_NE(PdfText(out_ / "王_五.pdf").find("王/五"), std::string::npos);

    if (Printing()) {
      const auto jobs = test::JobsAfter(before, 3);
      ASSERT_EQ(jobs.size(), 3u);
      for (const auto& job : jobs) EXPECT_EQ(job.copies, 2) << job.title;
    }
  }
}

TEST_F(MergeEndToEndTest, OneFileForAllRecords) {
  for (const Pair& p : {Pair{"数据.xlsx", "模板.docx", ".docx"}, Pair{"数据.xls", "模板.doc", ".doc"}}) {
    SCOPED_TRACE(p.templ);
    fs::remove_all(out_);
    fs::create_directory(out_);
    request_.one_file = request_.pdf = true;
    request_.print = Printing();
    const int before = Printing() ? test::LastJobId() : 0;
    EXPECT_EQ(Run(p.data, p.templ), MergeOutcome::kSucceeded);
    const auto texts = DocumentTexts(out_, scratch_.path());
    ASSERT_EQ(texts.size(), 1u);
    const std::string all = texts.at("合并输出" + p.ext);
    const auto zhang = all.find("张三"), li = all.find("李四"), wang = all.find("王/五");
    ASSERT_NE(wang, std::string::npos) << all;
    EXPECT_LT(zhang, li);
    EXPECT_LT(li, wang);
    const std::string pdf = PdfText(out_ / "合并输出.pdf");
    EXPECT_NE(pdf.find("A003"), std::string::npos);
    if (Printing()) {
      const auto jobs = test::JobsAfter(before, 1);
      ASSERT_EQ(jobs.size(), 1u);  // one job for the merged document, not one per record
      EXPECT_EQ(jobs[0].copies, 2);
    }
  }
}

// A mail-merge template (merge_fields.docx, and the .doc the office made of it): each merge field
// takes the record's value wherever it stands, the bare titles of its text stay, and the field
// that names no column is told.
TEST_F(MergeEndToEndTest, MergeFieldsAreFilledInTextTablesTextBoxesHeadersAndFooters) {
  for (const char* templ : {"merge_fields.docx", "merge_fields.doc"}) {
    SCOPED_TRACE(templ);
    fs::copy_file(test::DataFile(std::string("word/") + templ), dir_ / templ,
                  fs::copy_options::overwrite_existing);
    for (const bool one_file : {false, true}) {
      fs::remove_all(out_);
      fs::create_directory(out_);
      request_.pdf = true;
      request_.one_file = one_file;
      ASSERT_EQ(Run("数据.xlsx", templ), MergeOutcome::kSucceeded);
      const std::vector<std::string>& notes = observer_.summary.notes;
      EXPECT_NE(std::find(notes.begin(), notes.end(),
                          "模板中的以下占位符没有对应的列标题，将原样保留：“职称”。"
                          "请检查模板中的域名或标记与数据文件的列标题是否一致。"),
                notes.end());
      if (!one_file) {
        const std::string li = PdfText(out_ / "李四.pdf");
        for (const char* shown : {"页眉 李四", "尊敬的李四：您已被技术部录用。",
                                  "姓名和部门这两个词不是占位符，保持不变。",
                                  "工号：A002，职称：«职称»。", "文本框：技术部", "页脚 A002 第 1 页"}) {
          EXPECT_NE(li.find(shown), std::string::npos) << shown << "\n" << li;
        }
        EXPECT_NE(PdfText(out_ / "王_五.pdf").find("页眉 王/五"), std::string::npos);
        continue;
      }
      // One file: every record's text in turn, under the first record's header.
      const std::string all = PdfText(out_ / "合并输出.pdf");
      const auto zhang = all.find("尊敬的张三"), li = all.find("文本框：技术部");
      ASSERT_NE(li, std::string::npos) << all;
      EXPECT_LT(zhang, li);
      EXPECT_EQ(all.find("页眉 李四"), std::string::npos);
      EXPECT_EQ(all.find("«姓名»"), std::string::npos);
      EXPECT_NE(std::find(notes.begin(), notes.end(),
                          "提示：所有记录输出到同一个文件时，页眉、页脚和脚注中的标题按第一条记录填写。"),
                notes.end());
    }
  }
}

TEST_F(MergeEndToEndTest, FileHeldByAnotherProcessGetsTheFallbackName) {
  test::WriteFile(out_ / "李四.docx", "old");
  test::LockHolder editor((out_ / "李四.docx").string(), test::LockHolder::Kind::kFcntl);
  request_.pdf = true;
  EXPECT_EQ(Run("数据.xlsx", "模板.docx"), MergeOutcome::kSucceeded);
  const fs::path fallback = out_ / "李四20261207153000.docx";
  EXPECT_EQ(observer_.Boxes(),
            Lines({"box 错误提示|    无法创建“" + (out_ / "李四.docx").string() +
                       "”文件！\n文件将另存为" + fallback.string() + "。",
                   kSuccess}));
  EXPECT_TRUE(fs::exists(fallback));
  EXPECT_EQ(test::ReadFile(out_ / "李四.docx"), "old");
  // The record's PDF goes under the fallback name too.
  EXPECT_FALSE(fs::exists(out_ / "李四.pdf"));
  EXPECT_NE(PdfText(out_ / "李四20261207153000.pdf").find("技术部"), std::string::npos);
  EXPECT_TRUE(fs::exists(out_ / "张三.pdf"));
}

// A sheet with titles and no record is told before anything is written, and is no success.
TEST_F(MergeEndToEndTest, NoRecordsAndNoTitles) {
  request_.one_file = true;
  EXPECT_EQ(Run("无记录.xlsx", "模板.docx"), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.Boxes(),
            Lines({"box 操作提示|工作表“名单”中只有标题行，没有数据记录（第 2 行第一列为空）。"
                   "没有输出任何文档。"}));
  EXPECT_TRUE(fs::is_empty(out_));

  EXPECT_EQ(Run("无标题.xlsx", "模板.docx"), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.Boxes(), Lines({"box 操作提示|没有获取到任何标题数据！"}));
}

// A workbook saved with its notes sheet in front: the run names the sheet that holds the records
// instead of "succeeding" with nothing; the sheet is chosen by name or number, and a name that
// matches no sheet lists the sheets there are.
TEST_F(MergeEndToEndTest, DataOnASheetBehindTheNotesSheet) {
  for (const char* data : {"说明在前.xlsx", "说明在前.xls"}) {
    SCOPED_TRACE(data);
    fs::copy_file(test::DataFile(std::string("merge/") + data), dir_ / data);
    fs::remove_all(out_);
    fs::create_directory(out_);
    request_.sheet.clear();
    EXPECT_EQ(Run(data, "模板.docx"), MergeOutcome::kStopped);
    EXPECT_EQ(observer_.log,
              Lines({"box 操作提示|工作表“说明”中没有数据记录，而工作表“工资”中有 3 条记录。\n"
                     "请在“工作表”中选择“工资”（命令行：--sheet 工资）后再试。没有输出任何文档。",
                     "focus ddlb_1"}));
    EXPECT_TRUE(fs::is_empty(out_));

    for (const char* sheet : {"工资", "2"}) {
      request_.sheet = sheet;
      EXPECT_EQ(Run(data, "模板.docx"), MergeOutcome::kSucceeded) << sheet;
      for (const char* name : {"张三.docx", "李四.docx", "王五.docx"}) {
        EXPECT_TRUE(fs::exists(out_ / name)) << sheet << " " << name;
      }
    }

    request_.sheet = "工作";
    EXPECT_EQ(Run(data, "模板.docx"), MergeOutcome::kStopped);
    EXPECT_EQ(observer_.Boxes(),
              Lines({"box 错误提示|数据文件“" + (dir_ / data).string() +
                     "”中没有名为“工作”的工作表。它的工作表有：“说明”、“工资”（也可以用序号 1 到 2 指定）。"}));
  }
}

// Workbooks written by programs that store formulas without their results: the amounts on the
// slips are what a spreadsheet shows, calculated by LibreOffice, not blanks.
TEST_F(MergeEndToEndTest, FormulasWithoutStoredResultsAreCalculated) {
  if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
  fs::copy_file(test::DataFile("merge/工资条.docx"), dir_ / "工资条.docx");
  for (const char* data : {"公式.xlsx", "公式.xls"}) {
    SCOPED_TRACE(data);
    fs::copy_file(test::DataFile(std::string("merge/") + data), dir_ / data);
    fs::remove_all(out_);
    fs::create_directory(out_);
    EXPECT_EQ(Run(data, "工资条.docx"), MergeOutcome::kSucceeded);
    const auto texts = DocumentTexts(out_, scratch_.path());
    ASSERT_EQ(texts.size(), 2u);
    const std::string zhang = texts.at("张三.docx"), li = texts.at("李四.docx");
    EXPECT_NE(zhang.find("8000 元，640 元，960 元，42 元。"), std::string::npos) << zhang;
    EXPECT_NE(zhang.find("6358 元。"), std::string::npos) << zhang;
    EXPECT_NE(li.find("12000 元，960 元，1440 元，138 元。"), std::string::npos) << li;
    EXPECT_NE(li.find("9462 元。"), std::string::npos) << li;
  }
}

// What web systems and other programs hand people as "the workbook": read as data; a file of
// another kind is a message naming it and what to do, before anything is written.
TEST_F(MergeEndToEndTest, DataFilesPeopleHave) {
  test::WriteFile(dir_ / "导出.xls",
                  "<html><meta charset=\"utf-8\"><table><tr><th>姓名</th><th>部门</th><th>ID</th></tr>"
                  "<tr><td>张三</td><td>销售部</td><td>A001</td></tr></table></html>");
  test::WriteFile(dir_ / "名单.xlsx", "\xEF\xBB\xBF姓名,部门,ID\r\n李四,技术部,A002\r\n");
  for (const char* data : {"导出.xls", "名单.xlsx"}) {
    SCOPED_TRACE(data);
    EXPECT_EQ(Run(data, "模板.docx"), MergeOutcome::kSucceeded);
    EXPECT_EQ(observer_.Boxes(), Lines({kSuccess}));
  }
  EXPECT_TRUE(fs::exists(out_ / "张三.docx"));
  EXPECT_TRUE(fs::exists(out_ / "李四.docx"));

  fs::remove_all(out_);
  test::WriteFile(dir_ / "报表.xls", "%PDF-1.4\n%...");
  EXPECT_EQ(Run("报表.xls", "模板.docx"), MergeOutcome::kStopped);
  const Lines boxes = observer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("box 错误提示|文件“" + (dir_ / "报表.xls").string() + "”是PDF文件", 0), 0u)
      << boxes[0];
  EXPECT_NE(boxes[0].find("请选择Excel工作簿"), std::string::npos);
  EXPECT_NE(std::find(observer_.log.begin(), observer_.log.end(), "focus sle_1"), observer_.log.end());
  EXPECT_FALSE(excel_->connected());
  EXPECT_TRUE(!fs::exists(out_) || fs::is_empty(out_));
}

TEST_F(MergeEndToEndTest, FailedRunLeavesNoInstanceOrConverterBehind) {
  // A folder stands where the second record's document should go: its save fails.
  fs::create_directory(out_ / "李四.docx");
  request_.pdf = true;
  try {
    Run("数据.xlsx", "模板.docx");
    ADD_FAILURE() << "no error";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.text().rfind("第 2 条记录“李四”", 0), 0u) << e.text();
  }
  EXPECT_FALSE(excel_->connected());
  EXPECT_FALSE(word_->connected());
  EXPECT_FALSE(word2_->connected());
  EXPECT_EQ(ChildProcesses(), 0);
  // What was saved and exported before the failure is on disk.
  EXPECT_TRUE(fs::exists(out_ / "张三.docx"));
  EXPECT_NE(PdfText(out_ / "张三.pdf").find("销售部"), std::string::npos);
  EXPECT_FALSE(fs::exists(out_ / "李四.pdf"));
  EXPECT_EQ(observer_.log.back(), "progress closed");
  for (const auto& e : fs::directory_iterator(out_)) {
    EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file left: " << e.path();
  }
}

// No document of a finished or failed run stays in a temporary folder while the program goes on
// (the window makes many runs in one process).
TEST_F(MergeEndToEndTest, EachRunTakesItsTemporaryFoldersAlong) {
  const fs::path tmp = scratch_ / "tmp";
  fs::create_directory(tmp);
  ::setenv("TMPDIR", tmp.c_str(), 1);
  // The process's list of files it made outside its folders stays with it (it holds names, no
  // document); any other folder of this process is a run's, and must be gone.
  const auto folders_of_this_process = [&] {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(tmp)) {
      const std::string name = e.path().filename().string();
      if (name.find("-" + std::to_string(::getpid()) + "-") == std::string::npos) continue;
      if (name.rfind("vexlo-files-", 0) == 0) {
        for (const auto& f : fs::directory_iterator(e.path())) {
          const std::string ext = f.path().extension().string();
          EXPECT_TRUE(ext != ".doc" && ext != ".docx" && ext != ".pdf") << f.path();
        }
        continue;
      }
      found.push_back(name);
    }
    return found;
  };
  request_.pdf = true;
  request_.print = Printing();
  EXPECT_EQ(Run("数据.xls", "模板.doc"), MergeOutcome::kSucceeded);
  EXPECT_TRUE(fs::exists(out_ / "王_五.pdf"));
  EXPECT_EQ(folders_of_this_process(), std::vector<std::string>{});
  fs::remove(out_ / "李四.doc");
  fs::create_directory(out_ / "李四.doc");  // the second record's save fails
  EXPECT_THROW(Run("数据.xls", "模板.doc"), app::RuntimeError);
  EXPECT_EQ(folders_of_this_process(), std::vector<std::string>{});
  ::unsetenv("TMPDIR");
}

TEST_F(MergeEndToEndTest, NamesStayUniqueVisibleAndAwayFromTheInputs) {
  // The template lies in the output folder, and a record is named like it.
  fs::copy_file(dir_ / "模板.docx", out_ / "模板.docx");
  const std::string template_bytes = test::ReadFile(out_ / "模板.docx");
  request_.pdf = true;
  request_.data_path = (dir_ / "名称.xlsx").string();
  request_.template_path = (out_ / "模板.docx").string();
  request_.output_folder = out_.string();
  EXPECT_EQ(RunMergeSession(request_, observer_, {excel_, word_, word2_}).outcome,
            MergeOutcome::kSucceeded);
  EXPECT_EQ(test::ReadFile(out_ / "模板.docx"), template_bytes);
  std::string legal;  // 240 bytes: a legal name that the run's temporary names must not break
  for (int i = 0; i < 80; ++i) legal += "名";
  const auto texts = DocumentTexts(out_, scratch_.path());
  for (const char* name : {"___逃逸", "张三", "张三 (2)", "a_b", "a_b (2)", "模板 (2)"}) {
    EXPECT_TRUE(fs::exists(out_ / (std::string(name) + ".pdf"))) << name;
  }
  EXPECT_NE(texts.at(legal + ".docx").find("尊敬的 " + legal), std::string::npos);
  EXPECT_TRUE(fs::exists(out_ / (legal + ".pdf")));
  EXPECT_NE(texts.at("张三.docx").find("财务部"), std::string::npos);
  EXPECT_NE(texts.at("张三 (2).docx").find("人事部"), std::string::npos);
  EXPECT_NE(texts.at("a_b (2).docx").find("a:b"), std::string::npos);
  EXPECT_NE(texts.at("___逃逸.docx").find("../逃逸"), std::string::npos);
  EXPECT_NE(texts.at("模板 (2).docx").find("A007"), std::string::npos);
  EXPECT_EQ(texts.size(), 8u);  // the template and the seven records' documents
  const Lines expected_renamed = {"以下记录的文件名与记录内容不同：",
                                  "  第 2 条“../逃逸” → ___逃逸.docx",
                                  "  第 4 条“张三” → 张三 (2).docx",
                                  "  第 5 条“a/b” → a_b.docx",
                                  "  第 6 条“a:b” → a_b (2).docx",
                                  "  第 7 条“模板” → 模板 (2).docx"};
  // Below the count (and the print jobs sent, when printing).
  const auto renamed = observer_.details.begin() + (request_.print ? 2 : 1);
  EXPECT_EQ(Lines(renamed, observer_.details.end()), expected_renamed);
}

}  // namespace
}  // namespace vexlo::merge
