// The merge session against recording stand-ins for the spreadsheet, the word processor and its
// deferred output work: every validation message and focus move, the checks made before anything
// is written, the exact order of calls in both output modes, fallback names, the version check,
// the folder lock, cancelling, and how failed runs leave no instance and no partial file behind.
#include "merge/merge_session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app/clock.h"
#include "app/runtime_error.h"
#include "office/deferred_work.h"
#include "tests/support/recording_office.h"
#include "tests/merge/lock_holder.h"
#include "tests/merge/recording_observer.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

using Lines = std::vector<std::string>;

const char kTemplate[] = "Dear NAME of DEPT, your IDENTITY is ID.\n";
const std::string kSuccess = "final 您已成功执行了操作！";
const std::string kProgress = "progress 正在输出，可能需要较长时间，请稍候……";

// The deferred output work of a server: says what is missing and where prints go, counts
// flushes, tells the stages it was scripted with while the run waits at the end, and can fail or
// be cancelled then.
class FakeDeferredWork : public office::DeferredWork {
 public:
  struct Report {
    office::WaitStage stage;
    int done, total;
  };
  office::OutputGap gap = office::OutputGap::kNone;
  std::string finish_error;  // raised by the final flush when set
  std::vector<Report> reports = {{office::WaitStage::kPdfs, 0, 1}};
  int prints_sent = 0;
  int flushes = 0, finishes = 0, cancels = 0;

  office::OutputGap Check(std::string_view, bool, bool) const override { return gap; }
  void Flush(bool finish, const office::WaitWatch& watch) override {
    if (!finish) {
      ++flushes;
      return;
    }
    ++finishes;
    for (const Report& r : reports) {
      if (watch && watch(r.stage, r.done, r.total)) return;
    }
    if (!finish_error.empty()) throw app::RuntimeError::Output(finish_error);
  }
  void Cancel() override { ++cancels; }
  int PrintJobsSent() const override { return prints_sent; }
  std::string Printer() const override { return "办公室打印机"; }
};

class MergeSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    request_.deferred = &deferred_;
    request_.clock = [] { return app::LocalTime{2026, 12, 7, 15, 30, 0}; };
    std::filesystem::create_directory(out_);
    test::WriteFile(data_, "sheet");
    test::WriteFile(template_, kTemplate);
    request_.data_path = data_.string();
    request_.template_path = template_.string();
    request_.output_folder = out_.string();
    request_.copies_text = "3";
    office_.cells = {{"a1", "NAME"}, {"b1", "DEPT"}, {"c1", "ID"},
                     {"a2", "张三"}, {"b2", "销售"}, {"c2", "7"},
                     {"a3", "李四"}, {"b3", "  "}, {"c3", "8"}};
  }

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

  MergeOutcome Run() {
    observer_.log.clear();
    observer_.records.clear();
    observer_.stages.clear();
    observer_.print_plans.clear();
    return RunMergeSession(request_, observer_, {excel_, word_, word2_}).outcome;
  }
  std::string Out(const std::string& name) const { return (out_ / name).string(); }
  // The hidden name the merged document is built under.
  std::string Temp() const { return Out(".vexlo-merge-" + std::to_string(::getpid()) + ".docx"); }
  std::string Text(const std::string& name) const { return test::ReadFile(out_ / name); }

  test::ScratchDir dir_;
  std::filesystem::path out_ = dir_ / "输出";
  std::filesystem::path data_ = dir_ / "数据.xlsx";
  std::filesystem::path template_ = dir_ / "模板.docx";
  MergeRequest request_;
  test::RecordingObserver observer_;
  FakeDeferredWork deferred_;
  test::RecordingOffice office_;
  std::unique_ptr<office::oleobject> excel_, word_, word2_;
};

TEST_F(MergeSessionTest, InputValidationMessagesAndFocus) {
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
    observer_.log.clear();
    request_.data_path = c.sle_1;
    request_.template_path = c.sle_2;
    EXPECT_EQ(Run(), MergeOutcome::kStopped);
    EXPECT_EQ(observer_.log, c.expected) << c.sle_1 << " / " << c.sle_2;
  }
  EXPECT_TRUE(office_.log.empty());
}

TEST_F(MergeSessionTest, InputHeldByAnotherProgramStopsWithoutFocus) {
  {
    test::LockHolder holder(data_.string(), test::LockHolder::Kind::kFcntl);
    Run();
    EXPECT_EQ(observer_.log, Lines({"box 错误提示|打开“" + data_.string() +
                                "”文件出错！如果文件已经打开，请将它关闭。"}));
  }
  observer_.log.clear();
  test::WriteFile(dir_ / ".~lock.模板.docx#", "someone");
  Run();
  EXPECT_EQ(observer_.log, Lines({"box 错误提示|打开“" + template_.string() +
                              "”文件出错！如果文件已经打开，请将它关闭。"}));
  EXPECT_TRUE(office_.log.empty());
}

TEST_F(MergeSessionTest, SpreadsheetThatCannotStart) {
  office_.excel_can_start = false;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.log, Lines({"box 错误提示|连接到Excel失败！"}));
}

TEST_F(MergeSessionTest, NoTitlesQuitsTheSpreadsheetAndStartsNoWordProcessor) {
  office_.cells = {{"b1", "DEPT"}};
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.log, Lines({"box 操作提示|没有获取到任何标题数据！"}));
  EXPECT_EQ(office_.log, Lines({"excel start", "excel open " + data_.string(),
                                "excel visible false", "excel quit", "excel released"}));
}

TEST_F(MergeSessionTest, WordConnectionFailureQuitsWhatWasStarted) {
  office_.word_starts_allowed = 1;  // the second word processor cannot start
  request_.visible = true;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.log, Lines({"box 错误提示|连接到Word失败！"}));
  EXPECT_EQ(office_.log, Lines({"excel start", "excel open " + data_.string(), "excel visible true",
                                "word1 start", "word1 visible true", "word1 quit", "word1 released",
                                "excel quit", "excel released"}));
  EXPECT_EQ(office_.running, 0);
  EXPECT_FALSE(word_->connected());
  EXPECT_FALSE(excel_->connected());
}

// A choice keeps the second record alone: it is the run's first and only record, under its sheet
// row, and its PDF goes to the output side with its own password.
TEST_F(MergeSessionTest, ChosenRecordsAreNumberedAmongThemselvesAndCarryTheirPasswords) {
  request_.pdf = true;
  request_.choice.rows = {{3, 3}};
  request_.pdf_password_column = "ID";
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(observer_.chosen_rows, std::vector<int>{3});
  EXPECT_EQ(observer_.total_records, 1);
  ASSERT_EQ(observer_.records.size(), 1u);
  EXPECT_EQ(observer_.records[0].index, 1);
  EXPECT_EQ(observer_.records[0].row, 3);
  EXPECT_EQ(observer_.records[0].name, "李四");
  EXPECT_EQ(office_.Lines("word2 exportprotectedpdf"),
            Lines({"word2 exportprotectedpdf '" + Out("李四.pdf") + "' '8'"}));
  EXPECT_TRUE(office_.Lines("word2 exportasfixedformat").empty());
  EXPECT_FALSE(std::filesystem::exists(out_ / "张三.docx"));

  // One file cannot carry each record's password: refused before anything starts.
  request_.one_file = true;
  office_.log.clear();
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.log, Lines({"box 操作提示|输出到同一个文件时不能给PDF加密：一个文件无法带上每个人各自的密码。\n"
                                  "请取消“输出到同一个文件”，或不给PDF加密。",
                                  "focus cbx_4"}));
  EXPECT_TRUE(office_.log.empty());
}

TEST_F(MergeSessionTest, OneDocumentPerRecordInExactCallOrder) {
  request_.print = request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);

  const Lines record1 = Fill({"张三", "销售", "7"});
  Lines expected = {"excel start", "excel open " + data_.string(), "excel visible false",
                    "word1 start", "word1 visible false", "word2 start", "word2 visible false",
                    "word1 add '" + template_.string() + "' false 0", "word2 add '' false 0"};
  // Before any record: is each title in the template (found, nothing replaced)?
  for (const char* title : {"NAME", "DEPT", "ID"}) {
    expected.push_back(std::string("word1 execute '") + title +
                       "' false true false false false true 0 false '' 0");
  }
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
      // The records are known before the first is made: no document is opened after the last.
      "word1 close", "word1 quit", "word1 released", "word2 quit", "word2 released",
      "excel quit", "excel released"});
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(office_.log, expected);

  EXPECT_EQ(Text("张三.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n");
  EXPECT_EQ(Text("李四.docx"), "Dear 李四 of , your IDENTITY is 8.\n");
  EXPECT_EQ(observer_.log, Lines({kProgress, "progress closed", kSuccess}));
  EXPECT_EQ(observer_.total_records, 2);
  EXPECT_EQ(observer_.progress_calls, 2);
}

TEST_F(MergeSessionTest, FinalMessageNamesTitlesTheTemplateLacks) {
  office_.cells.insert({{"d1", "REMARK"}, {"e1", "NAMES"}, {"d2", "x"}});
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  // "NAMES" is not the whole word "NAME"; the template holds neither it nor "REMARK".
  EXPECT_EQ(observer_.details.back(),
            "以下列标题在模板中没有出现：“REMARK”、“NAMES”。请检查模板和数据文件中的标题是否一致。");
  EXPECT_EQ(Text("张三.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n");
}

TEST_F(MergeSessionTest, ValuesShownOtherwiseAreHintedOrWrittenAsShown) {
  office_.cells["c2"] = "5600.2";
  office_.shown = {{"c2", "5,600.20"}, {"c3", "8.00"}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(Text("张三.docx"), "Dear 张三 of 销售, your IDENTITY is 5600.2.\n");
  EXPECT_EQ(observer_.details.back(),
            "提示：部分数值与表格中显示的不同（如“5600.2”在表格中显示为“5,600.20”），"
            "勾选“数值按表格格式”可按表格显示的格式输出。");

  request_.as_shown = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(Text("张三.docx"), "Dear 张三 of 销售, your IDENTITY is 5,600.20.\n");
  EXPECT_EQ(Text("李四.docx"), "Dear 李四 of , your IDENTITY is 8.00.\n");
  EXPECT_EQ(observer_.details.size(), 1u);  // the count of documents only
}

TEST_F(MergeSessionTest, OneFileModeSavesFirstAndPrintsAndExportsOnce) {
  request_.one_file = true; request_.print = request_.pdf = true; request_.visible = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  const Lines output = office_.Lines("word2 save");
  // Built under a hidden name beside the final one and renamed once complete.
  EXPECT_EQ(output, Lines({"word2 saveas " + Temp(), "word2 save", "word2 save"}));
  EXPECT_EQ(office_.Lines("word2 printout").size(), 1u);
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat"),
            Lines({"word2 exportasfixedformat '" + Out("合并输出.pdf") + "' 17"}));
  EXPECT_EQ(office_.Lines("word2 add").size(), 1u);  // one output document for all records
  EXPECT_EQ(Text("合并输出.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n"
                                   "Dear 李四 of , your IDENTITY is 8.\n");
  EXPECT_FALSE(std::filesystem::exists(Temp()));
  EXPECT_EQ(observer_.log, Lines({kProgress, "progress closed", kSuccess}));
  EXPECT_EQ(observer_.details, Lines({"共输出 1 个文档和 1 个PDF文件，保存在“" + out_.string() + "”。",
                                      "已发送 1 个打印作业到打印机“办公室打印机”，每个 3 份。"}));
  // Watchers are told the name the user will find, never the hidden one it is built under.
  ASSERT_EQ(observer_.records.size(), 2u);
  for (const RecordResult& record : observer_.records) {
    EXPECT_EQ(record.document, Temp());
    EXPECT_EQ(record.document_name, "合并输出.docx");
  }
}

TEST_F(MergeSessionTest, HeldMergedNamesFallBackEvenWithoutPdf) {
  request_.one_file = true;
  test::WriteFile(out_ / "合并输出.docx", "old");
  test::WriteFile(out_ / "合并输出.pdf", "old");
  test::WriteFile(out_ / "~$合并输出.docx", "word");
  test::LockHolder viewer(Out("合并输出.pdf"), test::LockHolder::Kind::kFlock);
  Run();
  const std::string doc_b = Out("合并输出20261207153000.docx");
  const std::string pdf_b = Out("合并输出20261207153000.pdf");
  EXPECT_EQ(observer_.Boxes(),
            Lines({"box 错误提示|    无法创建“" + Out("合并输出.docx") + "”文件！\n文件将另存为" + doc_b + "。",
                   "box 错误提示|    无法创建“" + Out("合并输出.pdf") + "”文件！\n文件将另存为" + pdf_b + "。",
                   kSuccess}));
  EXPECT_EQ(office_.Lines("word2 saveas"), Lines({"word2 saveas " + Temp()}));
  EXPECT_EQ(Text("合并输出.docx"), "old");
  EXPECT_EQ(Text("合并输出20261207153000.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n"
                                                 "Dear 李四 of , your IDENTITY is 8.\n");
  EXPECT_EQ(observer_.details.back(), "合并输出的文档保存为“合并输出20261207153000.docx”。");
  EXPECT_EQ(observer_.records.back().document_name, "合并输出20261207153000.docx");
}

TEST_F(MergeSessionTest, HeldRecordFileIsSavedPrintedAndExportedUnderTheFallback) {
  request_.print = request_.pdf = true;
  test::WriteFile(out_ / "张三.docx", "old");
  test::LockHolder editor(Out("张三.docx"), test::LockHolder::Kind::kFcntl);
  Run();
  const std::string fallback = Out("张三20261207153000.docx");
  EXPECT_EQ(office_.Lines("word2 saveas"),
            Lines({"word2 saveas " + fallback, "word2 saveas " + Out("李四.docx")}));
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat"),
            Lines({"word2 exportasfixedformat '" + Out("张三20261207153000.pdf") + "' 17",
                   "word2 exportasfixedformat '" + Out("李四.pdf") + "' 17"}));
  EXPECT_EQ(office_.Lines("word2 printout").size(), 2u);
  EXPECT_EQ(Text("张三20261207153000.docx"), "Dear 张三 of 销售, your IDENTITY is 7.\n");
  EXPECT_EQ(Text("张三.docx"), "old");
  EXPECT_EQ(observer_.details, Lines({"共输出 2 个文档和 2 个PDF文件，保存在“" + out_.string() + "”。",
                                      "已发送 2 个打印作业到打印机“办公室打印机”，每个 3 份。",
                                      "以下记录的文件名与记录内容不同：",
                                      "  第 1 条“张三” → 张三20261207153000.docx"}));
}

TEST_F(MergeSessionTest, OldWordProcessorClearsThePdfBox) {
  request_.pdf = true;
  office_.word_version = "11.0";
  Run();
  EXPECT_EQ(observer_.log, Lines({kProgress, "pdf off", "progress closed", kSuccess}));
  EXPECT_TRUE(office_.Lines("word2 exportasfixedformat").empty());

  office_.word_version = "12.0";
  office_.word_instances = 0;  // the next run's instances are word1 and word2 again
  request_.pdf = true;
  Run();
  EXPECT_EQ(observer_.log, Lines({kProgress, "progress closed", kSuccess}));
  EXPECT_EQ(office_.Lines("word2 exportasfixedformat").size(), 2u);
}

TEST_F(MergeSessionTest, RowsLeftOutAreNamedAndNotCalledSuccess) {
  // Row 3's name is blank: the data ends there, though row 3 holds data.
  office_.cells.erase("a3");
  request_.one_file = request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  const std::string left_out =
      "第 3 行第一列为空，数据在此结束：此后还有 1 行数据没有输出。请删除空行或填写第一列后再试。";
  EXPECT_EQ(observer_.Lines("check "), Lines({"check 开始制作前检查发现：", "check " + left_out}));
  EXPECT_EQ(observer_.Boxes(), Lines({"final 操作已完成，但有 1 行数据没有输出（见下）。"}));
  EXPECT_EQ(observer_.details.back(), left_out);
}

TEST_F(MergeSessionTest, TheCheckComesBeforeAnythingIsWrittenAndCanStopTheRun) {
  // "ID" also stands inside "经ID号", which a CJK neighbour does not protect.
  test::WriteFile(template_, "Dear NAME of DEPT, your ID is ID. 经ID号\n");
  observer_.check_answer = false;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.Lines("check "),
            Lines({"check 开始制作前检查发现：",
                   "check 以下标题出现在更长的文字中间，替换后会与前后文字连在一起：",
                   "check   “ID”在“ID. 经ID号”中"}));
  EXPECT_TRUE(office_.Lines("word2 saveas").empty());
  EXPECT_EQ(observer_.Lines("progress "), Lines{});
  EXPECT_EQ(office_.running, 0);
}

TEST_F(MergeSessionTest, ACheckOnlyRunWritesNothing) {
  request_.check_only = true;
  request_.output_folder = (out_ / "新建").string();
  office_.cells.insert({{"d1", "REMARK"}, {"a1001", "迟到的人"}});
  EXPECT_EQ(Run(), MergeOutcome::kChecked);
  EXPECT_EQ(observer_.summary.findings.unused_titles, Lines({"REMARK"}));
  EXPECT_EQ(observer_.summary.findings.skipped.beyond_last, 1);
  EXPECT_EQ(observer_.summary.findings.skipped.after_blank, 0);
  EXPECT_FALSE(std::filesystem::exists(out_ / "新建"));
  EXPECT_TRUE(office_.Lines("word2 saveas").empty());
  EXPECT_EQ(observer_.Boxes(), Lines{});
  EXPECT_EQ(office_.running, 0);
}

// A sheet with titles and no record used to end in "success" with nothing made: it is told before
// a word processor starts or a file is written, and the run is not a success.
TEST_F(MergeSessionTest, NoRecordsIsToldAndNothingIsWritten) {
  for (const char* cell : {"a2", "b2", "c2", "a3", "b3", "c3"}) office_.cells.erase(cell);
  request_.one_file = request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.Boxes(),
            Lines({"box 操作提示|数据表中只有标题行，没有数据记录（第 2 行第一列为空）。没有输出任何文档。"}));
  EXPECT_TRUE(office_.Lines("word").empty());
  EXPECT_FALSE(std::filesystem::exists(Out("合并输出.docx")));
  EXPECT_EQ(office_.running, 0);
}

// Whatever a summary claims, a run that wrote no document is never announced as a success.
TEST(FinalMessage, NoDocumentIsNoSuccess) {
  MergeSummary summary;
  summary.outcome = MergeOutcome::kSucceeded;
  summary.folder = "/out";
  EXPECT_EQ(FinalMessageOf(summary).headline, "没有输出任何文档。");
  summary.documents = 1;
  EXPECT_EQ(FinalMessageOf(summary).headline, "您已成功执行了操作！");
}

TEST_F(MergeSessionTest, UnsafeRecordNamesStayInsideTheFolderWithTheTextUnchanged) {
  office_.cells["a2"] = "../逃出/a:b";
  office_.cells["a3"] = "..";
  request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(Text("___逃出_a_b.docx"), "Dear ../逃出/a:b of 销售, your IDENTITY is 7.\n");
  EXPECT_TRUE(std::filesystem::exists(out_ / "___逃出_a_b.pdf"));
  EXPECT_TRUE(std::filesystem::exists(out_ / "__.docx"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "逃出"));
}

TEST_F(MergeSessionTest, BlankOutputFolderUsesTheStartUpFolder) {
  request_.current_folder = out_.string();
  request_.output_folder = "  ";
  Run();
  EXPECT_TRUE(std::filesystem::exists(out_ / "张三.docx"));
}

TEST_F(MergeSessionTest, MissingObjectsAreCreated) {
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  ASSERT_TRUE(excel_ && word_ && word2_);
}

TEST_F(MergeSessionTest, RunTimeErrorQuitsEveryInstanceAndIsPassedOn) {
  office_.failing_members = {"exportasfixedformat"};
  request_.pdf = true;
  EXPECT_THROW(Run(), app::RuntimeError);
  EXPECT_EQ(office_.running, 0);
  EXPECT_EQ(office_.Lines("word1 quit").size(), 1u);
  EXPECT_EQ(office_.Lines("word2 quit").size(), 1u);
  EXPECT_EQ(office_.Lines("excel quit").size(), 1u);
  EXPECT_EQ(office_.Lines("excel released").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(out_ / "张三.docx"));  // what was saved stays
  EXPECT_EQ(observer_.log, Lines({kProgress, "progress closed"}));
}

TEST_F(MergeSessionTest, OutputIsCheckedBeforeAnythingStartsOrIsWritten) {
  test::WriteFile(dir_ / "文件", "x");
  struct Case {
    std::string folder, copies;
    bool print, pdf;
    office::OutputGap gap;
    Lines expected;
  };
  const std::string file = (dir_ / "文件").string();
  const std::string under_file = (dir_ / "文件" / "子").string();
  const std::string copies = "box 操作提示|打印份数必须是 1 到 50 之间的整数！";
  const std::vector<Case> cases = {
      {file, "1", false, false, office::OutputGap::kNone,
       {"box 错误提示|输出路径“" + file + "”不是文件夹！请选择一个文件夹。", "focus sle_3"}},
      {under_file, "1", false, false, office::OutputGap::kNone,
       {"box 错误提示|无法创建输出文件夹“" + under_file + "”！请检查路径和权限，或选择其他文件夹。",
        "focus sle_3"}},
      {out_.string(), "", true, false, office::OutputGap::kNone, {copies, "focus em_1"}},
      {out_.string(), "0", true, false, office::OutputGap::kNone, {copies, "focus em_1"}},
      {out_.string(), "51", true, false, office::OutputGap::kNone, {copies, "focus em_1"}},
      {out_.string(), "3份", true, false, office::OutputGap::kNone, {copies, "focus em_1"}},
      {out_.string(), "1", false, true, office::OutputGap::kNoConverter,
       {"box 错误提示|没有找到 LibreOffice！输出PDF文件、打印和输出.docx格式的文档都需要它，"
        "请先安装 LibreOffice。",
        "focus cbx_4"}},
      {out_.string(), " 2 ", true, false, office::OutputGap::kNoPrinter,
       {"box 错误提示|没有找到可用的打印机！请先添加打印机，或取消“输出后打印”。", "focus cbx_2"}},
  };
  for (const Case& c : cases) {
    request_.output_folder = c.folder;
    request_.copies_text = c.copies;
    request_.print = c.print;
    request_.pdf = c.pdf;
    deferred_.gap = c.gap;
    EXPECT_EQ(Run(), MergeOutcome::kStopped);
    EXPECT_EQ(observer_.log, c.expected) << c.folder << " " << c.copies;
  }
  EXPECT_TRUE(office_.log.empty());
  EXPECT_TRUE(std::filesystem::is_empty(out_));

  // A missing folder is made, with its parents; copies are not looked at without printing.
  request_.output_folder = (dir_ / "新" / "文件夹").string();
  request_.copies_text = "";
  request_.print = request_.pdf = false;
  deferred_.gap = office::OutputGap::kNone;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "新" / "文件夹" / "张三.docx"));
}

TEST_F(MergeSessionTest, SecondRunIntoTheSameFolderWritesNothing) {
  const int other_run = ::open(out_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(other_run, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.log, Lines({"box 错误提示|输出文件夹“" + out_.string() +
                                      "”正在被另一次制作使用！请等它完成后再试，或选择其他输出文件夹。",
                                  "focus sle_3"}));
  EXPECT_TRUE(office_.log.empty());
  EXPECT_TRUE(std::filesystem::is_empty(out_));
  ::close(other_run);  // the other run ends
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
}

TEST_F(MergeSessionTest, OutputWorkIsFlushedAfterEachRecordAndAtTheEnd) {
  request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(deferred_.flushes, 2);
  EXPECT_EQ(deferred_.finishes, 1);
  EXPECT_EQ(deferred_.cancels, 0);
}

TEST_F(MergeSessionTest, OutputFailingAtTheEndIsToldWithItsRecord) {
  request_.pdf = true;
  deferred_.finish_error = "无法输出PDF文件“" + Out("李四.pdf") + "”：LibreOffice 没有生成PDF文件";
  try {
    Run();
    ADD_FAILURE() << "no error";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.text(), "第 2 条记录“李四”：" + deferred_.finish_error);
  }
  EXPECT_EQ(office_.running, 0);
  EXPECT_EQ(observer_.log, Lines({kProgress, "progress closed"}));
}

TEST_F(MergeSessionTest, RecordNamedLikeTheMergedDocumentKeepsAnEarlierMergedDocument) {
  test::WriteFile(out_ / "合并输出.docx", "an earlier run's merged document");
  office_.cells["a2"] = "合并输出";
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(Text("合并输出.docx"), "an earlier run's merged document");
  EXPECT_EQ(Text("合并输出 (2).docx"), "Dear 合并输出 of 销售, your IDENTITY is 7.\n");
  ASSERT_EQ(observer_.records.size(), 2u);
  EXPECT_TRUE(observer_.records[0].renamed);
}

TEST_F(MergeSessionTest, FailedOneFileRunKeepsThePreviousMergedDocument) {
  request_.one_file = true;
  test::WriteFile(out_ / "合并输出.docx", "previous, complete");
  office_.failing_members = {"save"};
  try {
    Run();
    ADD_FAILURE() << "no error";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.text().rfind("第 1 条记录“张三”（文件“" + Out("合并输出.docx") + "”）：", 0), 0u)
        << e.text();
  }
  EXPECT_EQ(Text("合并输出.docx"), "previous, complete");
  EXPECT_FALSE(std::filesystem::exists(Temp()));
  EXPECT_EQ(office_.running, 0);
}

TEST_F(MergeSessionTest, CancelStopsAfterTheRecordAndKeepsWhatWasFinished) {
  office_.cells.insert({{"a4", "王五"}, {"c4", "9"}});
  observer_.cancel_after = 1;
  request_.pdf = true;
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_TRUE(std::filesystem::exists(out_ / "张三.docx"));
  EXPECT_FALSE(std::filesystem::exists(out_ / "李四.docx"));
  EXPECT_EQ(office_.running, 0);
  EXPECT_GE(deferred_.cancels, 1);
  EXPECT_EQ(observer_.Boxes(), Lines({"final 操作已取消。"}));
  EXPECT_EQ(observer_.details,
            Lines({"已完成的 1 个文档和 1 个PDF文件，保存在“" + out_.string() + "”。"}));

  // One file: the unfinished merged document goes, the previous one stays.
  request_.one_file = true;
  test::WriteFile(out_ / "合并输出.docx", "previous");
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_EQ(Text("合并输出.docx"), "previous");
  EXPECT_FALSE(std::filesystem::exists(Temp()));
  EXPECT_EQ(observer_.details, Lines({"已完成的 0 个文档，保存在“" + out_.string() + "”。"}));

  // While the run waits for its output work at the end.
  observer_.cancel_after = 3;
  request_.one_file = false;
  deferred_.cancels = 0;
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_GE(deferred_.cancels, 1);
  EXPECT_TRUE(std::filesystem::exists(out_ / "王五.docx"));
}

TEST_F(MergeSessionTest, CancelCountsOnlyTheFilesThisRunWrote) {
  office_.cells.insert({{"a4", "王五"}, {"c4", "9"}});
  // PDFs still queued when the cancel drops them; a PDF of an earlier run under a record's name.
  office_.pdfs_written_at_once = false;
  test::WriteFile(out_ / "张三.pdf", "an earlier run's PDF");
  std::filesystem::last_write_time(out_ / "张三.pdf", std::filesystem::file_time_type::clock::now() -
                                                          std::chrono::hours(1));
  request_.pdf = true;
  observer_.cancel_after = 2;
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_EQ(observer_.summary.documents, 2);
  EXPECT_EQ(observer_.summary.pdfs, 0);
  EXPECT_EQ(observer_.details, Lines({"已完成的 2 个文档，保存在“" + out_.string() + "”。"}));
  EXPECT_EQ(Text("张三.pdf"), "an earlier run's PDF");

  // Stopped while waiting at the end: this run has rewritten every file, the old PDF too.
  office_.pdfs_written_at_once = true;
  observer_.cancel_after = 3;
  deferred_.reports = {{office::WaitStage::kDocuments, 1, 3}};
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_EQ(observer_.summary.documents, 3);
  EXPECT_EQ(observer_.summary.pdfs, 3);
}

TEST_F(MergeSessionTest, PrintingIsToldBeforeAnythingIsWrittenAndCanBeDeclined) {
  request_.print = true;
  observer_.print_answer = false;
  EXPECT_EQ(Run(), MergeOutcome::kStopped);
  EXPECT_EQ(observer_.print_plans, Lines({"将在打印机“办公室打印机”上打印 2 个文档，每个 3 份，共 6 份。"}));
  EXPECT_TRUE(observer_.log.empty());  // no progress, no final message
  EXPECT_TRUE(std::filesystem::is_empty(out_));
  EXPECT_TRUE(office_.Lines("word2 printout").empty());
  EXPECT_EQ(office_.running, 0);

  observer_.print_answer = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(std::count_if(office_.log.begin(), office_.log.end(),
                          [](const std::string& l) { return l.find(" printout ") != l.npos; }),
            2);  // the second run's word processors are started afresh (word3, word4)
  EXPECT_EQ(observer_.details, Lines({"共输出 2 个文档，保存在“" + out_.string() + "”。",
                                      "已发送 2 个打印作业到打印机“办公室打印机”，每个 3 份。"}));

  // One file: one document, one job.
  request_.one_file = true;
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(observer_.print_plans, Lines({"将在打印机“办公室打印机”上打印 1 个文档，每个 3 份，共 3 份。"}));
  EXPECT_EQ(observer_.details[1], "已发送 1 个打印作业到打印机“办公室打印机”，每个 3 份。");
}

TEST_F(MergeSessionTest, TheWaitAtTheEndIsToldStageByStageAndACancelCountsTheJobsSent) {
  request_.pdf = request_.print = true;
  deferred_.reports = {{office::WaitStage::kDocuments, 0, 0},  // no .doc to wait for
                       {office::WaitStage::kDocuments, 2, 2},
                       {office::WaitStage::kPdfs, 1, 2},
                       {office::WaitStage::kPrints, 1, 2}};
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(observer_.stages, Lines({"正在生成文档 2/2", "正在生成PDF 1/2", "正在打印 1/2"}));

  // Stopped while the second job waits: one job was sent, and the message says so.
  observer_.cancel_after = 2;
  deferred_.prints_sent = 1;
  EXPECT_EQ(Run(), MergeOutcome::kCancelled);
  EXPECT_EQ(observer_.details, Lines({"已完成的 2 个文档和 2 个PDF文件，保存在“" + out_.string() + "”。",
                                      "已发送 1 个打印作业到打印机“办公室打印机”，每个 3 份。"}));
}

// Files named like the merged document's hidden name that no run of ours listed as made are the
// user's: a one-file run leaves them alone (a killed run's own goes with its watcher).
TEST_F(MergeSessionTest, FilesUnderTheMergedHiddenNameThatNoRunMadeStay) {
  request_.one_file = true;
  for (const char* name : {".vexlo-merge-99999.docx", ".vexlo-merge-notes.txt"}) {
    test::WriteFile(out_ / name, "the user's");
  }
  EXPECT_EQ(Run(), MergeOutcome::kSucceeded);
  EXPECT_EQ(test::ReadFile(out_ / ".vexlo-merge-99999.docx"), "the user's");
  EXPECT_EQ(test::ReadFile(out_ / ".vexlo-merge-notes.txt"), "the user's");
}

}  // namespace
}  // namespace vexlo::merge
