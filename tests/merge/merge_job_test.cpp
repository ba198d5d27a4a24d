// The merge job against recording stand-ins for the spreadsheet and the word processor: every
// validation message and focus move, the exact order of calls in both output modes, fallback
// names, the version check, and how failed runs leave no instance behind.
#include "merge/merge_job.h"

#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/globals.h"
#include "app/post_queue.h"
#include "app/runtime_error.h"
#include "tests/merge/fake_office.h"
#include "tests/merge/lock_holder.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

using Lines = std::vector<std::string>;

const char kTemplate[] = "Dear NAME of DEPT, your IDENTITY is ID.\n";
const std::string kSuccess = "box 操作提示|您已成功执行了操作！";
const std::string kProgress = "progress 正在输出，可能需要较长时间，请稍候……";

class MergeJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::SetClockForTest([] { return app::LocalTime{2026, 12, 7, 15, 30, 0}; });
    std::filesystem::create_directory(out_);
    test::WriteFile(data_, "sheet");
    test::WriteFile(template_, kTemplate);
    host_.texts = {{"sle_1", data_.string()}, {"sle_2", template_.string()},
                   {"sle_3", out_.string()}, {"em_1", "3"}};
    office_.cells = {{"a1", "NAME"}, {"b1", "DEPT"}, {"c1", "ID"},
                     {"a2", "张三"}, {"b2", "销售"}, {"c2", "7"},
                     {"a3", "李四"}, {"b3", "  "}, {"c3", "8"}};
  }
  void TearDown() override {
    app::ClearPosted();
    app::SetClockForTest(nullptr);
  }

  MergeOutcome Run() { return RunMergeJob({excel_, word_, word2_}); }
  // The calls that fill one record: the titles NAME, DEPT and ID go to markers U+F0000 + k in
  // the pasted copy (whole words), then the markers to the values.
  static Lines Fill(const Lines& values) {
    const Lines titles = {"NAME", "DEPT", "ID", "\U000F0000", "\U000F0001", "\U000F0002"};
    const Lines with = {"\U000F0000", "\U000F0001", "\U000F0002", values[0], values[1], values[2]};
    Lines lines = {"word1 wholestory", "word1 copy", "word2 paste"};
    for (size_t i = 0; i < titles.size(); ++i) {
      lines.push_back("word2 execute '" + titles[i] + "' false " + (i < 3 ? "true" : "false") +
                      " false false false true 0 true '" + with[i] + "' 2");
    }
    return lines;
  }
  std::string Out(const std::string& name) const { return (out_ / name).string(); }
  std::string Text(const std::string& name) const { return test::ReadFile(out_ / name); }

  test::ScratchDir dir_;
  std::filesystem::path out_ = dir_ / "输出";
  std::filesystem::path data_ = dir_ / "数据.xlsx";
  std::filesystem::path template_ = dir_ / "模板.docx";
  test::ScriptedHost host_;
  test::FakeOffice office_;
  std::unique_ptr<office::oleobject> excel_, word_, word2_;
};

TEST_F(MergeJobTest, InputValidationMessagesAndFocus) {
  struct Case {
    std::string sle_1, sle_2;
    Lines expected;
  };
  const std::string missing = (dir_ / "无.xlsx").string();
  const std::string missing_doc = (dir_ / "无.docx").string();
  const std::vector<Case> cases = {
      {"   ", template_.string(), {"box 操作提示|请选择Excel数据源文件！", "focus sle_1"}},
      {missing, template_.string(), {"box 错误提示|找不到“" + missing + "”文件！", "focus sle_1"}},
      {out_.string(), template_.string(),
       {"box 错误提示|找不到“" + out_.string() + "”文件！", "focus sle_1"}},
      {data_.string(), "", {"box 操作提示|请选择Word模版文件！", "focus sle_2"}},
      {data_.string(), missing_doc,
       {"box 错误提示|找不到“" + missing_doc + "”文件！", "focus sle_2"}},
  };
  for (const Case& c : cases) {
    host_.log.clear();
    host_.texts["sle_1"] = c.sle_1;
    host_.texts["sle_2"] = c.sle_2;
    EXPECT_EQ(Run(), MergeOutcome::kStopped);
    EXPECT_EQ(host_.log, c.expected) << c.sle_1 << " / " << c.sle_2;
  }
  EXPECT_TRUE(office_.log.empty());
}

TEST_F(MergeJobTest, InputHeldByAnotherProgramStopsWithoutFocus) {
  {
    test::LockHolder holder(data_.string(), test::LockHolder::Kind::kFcntl);
    Run();
    EXPECT_EQ(host_.log, Lines({"box 错误提示|打开“" + data_.string() +
                                "”文件出错！如果文件已经打开，请将它关闭。"}));
  }
  host_.log.clear();
  test::WriteFile(dir_ / ".~lock.模板.docx#", "someone");
  Run();
  EXPECT_EQ(host_.log, Lines({"box 错误提示|打开“" + template_.string() +
                              "”文件出错！如果文件已经打开，请将它关闭。"}));
  EXPECT_TRUE(office_.log.empty());
}

TEST_F(MergeJobTest, SpreadsheetThatCannotStart) {
  office_.excel_can_start = false;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(host_.log, Lines({"box 错误提示|连接到Excel失败！"}));
}

TEST_F(MergeJobTest, NoTitlesQuitsTheSpreadsheetAndStartsNoWordProcessor) {
  office_.cells = {{"b1", "DEPT"}};
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(host_.log, Lines({"box 操作提示|没有获取到任何标题数据！"}));
  EXPECT_EQ(office_.log, Lines({"excel start", "excel open " + data_.string(),
                                "excel visible false", "excel quit", "excel released"}));
}

TEST_F(MergeJobTest, WordConnectionFailureQuitsWhatWasStarted) {
  office_.word_starts_allowed = 1;  // the second word processor cannot start
  host_.checks["cbx_3"] = true;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(host_.log, Lines({"box 错误提示|连接到Word失败！"}));
  EXPECT_EQ(office_.log, Lines({"excel start", "excel open " + data_.string(), "excel visible true",
                                "word1 start", "word1 visible true", "word1 quit", "word1 released",
                                "excel quit", "excel released"}));
  EXPECT_EQ(office_.running, 0);
  EXPECT_FALSE(word_->connected());
  EXPECT_FALSE(excel_->connected());
}

TEST_F(MergeJobTest, OneDocumentPerRecordInExactCallOrder) {
  host_.checks = {{"cbx_2", true}, {"cbx_4", true}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);

  const Lines record1 = Fill({"张三", "销售", "7"});
  Lines expected = {"excel start", "excel open " + data_.string(), "excel visible false",
                    "word1 start", "word1 visible false", "word2 start", "word2 visible false",
                    "word1 add '" + template_.string() + "' false 0", "word2 add '' false 0"};
  expected.insert(expected.end(), record1.begin(), record1.end());
  Lines rest = {
      "word2 saveas " + Out("张三.docx"),
      "word2 printout true false 0 '' '' '' 0 '3'",
      "word2 exportasfixedformat '" + Out("张三.pdf") + "' 17",
      "word2 close",
      "word2 add '' false 0"};
  const Lines record2 = Fill({"李四", "", "8"});
  rest.insert(rest.end(), record2.begin(), record2.end());
  rest.insert(rest.end(), {
      "word2 saveas " + Out("李四.docx"),
      "word2 printout true false 0 '' '' '' 0 '3'",
      "word2 exportasfixedformat '" + Out("李四.pdf") + "' 17",
      "word2 close",
      "word2 add '' false 0",  // row 4 is blank: this document is never filled
      "word1 close", "word1 quit", "word1 released", "word2 quit", "word2 released",
      "excel quit", "excel released"});
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(office_.log, expected);

  EXPECT_EQ(Text("张三.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n");
  EXPECT_EQ(Text("李四.docx"), "Dear 李四 of , your IDENTITY is 8.\n");
  EXPECT_EQ(host_.log, Lines({kProgress, kSuccess}));
  EXPECT_EQ(app::PostedCount(), 1u);
  app::DrainPosted();
  EXPECT_EQ(host_.log.back(), "progress closed");
  EXPECT_GE(host_.keep_alive_calls, 2);
}

TEST_F(MergeJobTest, OneFileModeSavesFirstAndPrintsAndExportsOnce) {
  host_.checks = {{"cbx_1", true}, {"cbx_2", true}, {"cbx_4", true}, {"cbx_3", true}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  const Lines output = office_.Lines("word2 save");
  EXPECT_EQ(output, Lines({"word2 saveas " + Out("合并输出.docx"), "word2 save", "word2 save"}));
  EXPECT_EQ(office_.Lines("word2 printout").size(), 1u);
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat"),
            Lines({"word2 exportasfixedformat '" + Out("合并输出.pdf") + "' 17"}));
  EXPECT_EQ(office_.Lines("word2 add").size(), 1u);  // one output document for all records
  EXPECT_EQ(Text("合并输出.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n"
                                   "Dear 李四 of , your IDENTITY is 8.\n");
  EXPECT_EQ(host_.log, Lines({kProgress, kSuccess}));
}

TEST_F(MergeJobTest, HeldMergedNamesFallBackEvenWithoutPdf) {
  host_.checks = {{"cbx_1", true}};
  test::WriteFile(out_ / "合并输出.docx", "old");
  test::WriteFile(out_ / "合并输出.pdf", "old");
  test::WriteFile(out_ / "~$合并输出.docx", "word");
  test::LockHolder viewer(Out("合并输出.pdf"), test::LockHolder::Kind::kFlock);
  Run();
  const std::string doc_b = Out("合并输出20261207153000.docx");
  const std::string pdf_b = Out("合并输出20261207153000.pdf");
  EXPECT_EQ(host_.Boxes(),
            Lines({"box 错误提示|    无法创建“" + Out("合并输出.docx") + "”文件！\n文件将另存为" + doc_b + "。",
                   "box 错误提示|    无法创建“" + Out("合并输出.pdf") + "”文件！\n文件将另存为" + pdf_b + "。",
                   kSuccess}));
  EXPECT_EQ(office_.Lines("word2 saveas"), Lines({"word2 saveas " + doc_b}));
  EXPECT_EQ(Text("合并输出.docx"), "old");
}

TEST_F(MergeJobTest, HeldRecordFileIsSavedUnderTheFallbackAndNeitherPrintedNorExported) {
  host_.checks = {{"cbx_2", true}, {"cbx_4", true}};
  test::WriteFile(out_ / "张三.docx", "old");
  test::LockHolder editor(Out("张三.docx"), test::LockHolder::Kind::kFcntl);
  Run();
  const std::string fallback = Out("张三20261207153000.docx");
  EXPECT_EQ(office_.Lines("word2 saveas"),
            Lines({"word2 saveas " + fallback, "word2 saveas " + Out("李四.docx")}));
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat"),
            Lines({"word2 exportasfixedformat '" + Out("李四.pdf") + "' 17"}));
  EXPECT_EQ(office_.Lines("word2 printout").size(), 1u);
  EXPECT_EQ(Text("张三20261207153000.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n");
}

TEST_F(MergeJobTest, OldWordProcessorClearsThePdfBox) {
  host_.checks = {{"cbx_4", true}};
  office_.word_version = "11.0";
  Run();
  EXPECT_FALSE(host_.checks["cbx_4"]);
  EXPECT_TRUE(office_.Lines("word2 exportasfixedformat").empty());

  office_.word_version = "12.0";
  office_.word_instances = 0;  // the next run's instances are word1 and word2 again
  host_.checks["cbx_4"] = true;
  Run();
  EXPECT_EQ(host_.Boxes().back(), kSuccess);
  EXPECT_TRUE(host_.checks["cbx_4"]);
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat").size(), 2u);
}

TEST_F(MergeJobTest, NoRecordsStillSucceeds) {
  office_.cells.erase("a2");
  host_.checks = {{"cbx_1", true}, {"cbx_4", true}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(host_.Boxes(), Lines({kSuccess}));
  EXPECT_EQ(Text("合并输出.docx"), "");  // the empty merged document stays saved
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat").size(), 1u);
}

TEST_F(MergeJobTest, UnsafeRecordNamesStayInsideTheFolderWithTheTextUnchanged) {
  office_.cells["a2"] = "../逃出/a:b";
  office_.cells["a3"] = "..";
  host_.checks = {{"cbx_4", true}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(Text(".._逃出_a_b.docx"), "Dear ../逃出/a:b of 销售, your IDENTITY is 7.\n");
  EXPECT_TRUE(std::filesystem::exists(out_ / ".._逃出_a_b.pdf"));
  EXPECT_TRUE(std::filesystem::exists(out_ / "__.docx"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "逃出"));
}

TEST_F(MergeJobTest, BlankOutputFolderUsesTheStartUpFolder) {
  const std::string saved = app::as_currentpath;
  app::as_currentpath = out_.string();
  host_.texts["sle_3"] = "  ";
  Run();
  app::as_currentpath = saved;
  EXPECT_TRUE(std::filesystem::exists(out_ / "张三.docx"));
}

TEST_F(MergeJobTest, MissingObjectsAreCreated) {
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  ASSERT_TRUE(excel_ && word_ && word2_);
}

TEST_F(MergeJobTest, RunTimeErrorQuitsEveryInstanceAndIsPassedOn) {
  office_.failing_members = {"exportasfixedformat"};
  host_.checks = {{"cbx_4", true}};
  EXPECT_THROW(Run(), app::RuntimeError);
  EXPECT_EQ(office_.running, 0);
  EXPECT_EQ(office_.Lines("word1 quit").size(), 1u);
  EXPECT_EQ(office_.Lines("word2 quit").size(), 1u);
  EXPECT_EQ(office_.Lines("excel quit").size(), 1u);
  EXPECT_EQ(office_.Lines("excel released").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(out_ / "张三.docx"));  // what was saved stays
  EXPECT_EQ(host_.Boxes(), Lines{});
  app::DrainPosted();
  EXPECT_EQ(host_.log.back(), "progress closed");
}

}  // namespace
}  // namespace vexlo::merge
