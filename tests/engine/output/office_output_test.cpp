// The warm offices and the output queue against the real LibreOffice and the local CUPS server
// (started by the test set-up with a virtual PDF printer as default): one load per document for
// its .doc and its PDF, files at their exact names with Chinese text, a crashed or hung office
// replaced and its document retried, Cancel leaving nothing running, prints titled with the
// document's name. One office per pool keeps the suite short.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QString>
#include <QStringList>

#include "app/runtime_error.h"
#include "merge/document_generation.h"
#include "office/engine/engine_services.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/output/office_output_queue.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/text_delta.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/word_application.h"
#include "office/oleobject.h"
#include "tests/engine/output/cups_jobs.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string PdfText(const fs::path& pdf) {
  const fs::path txt = pdf.string() + ".txt";
  const std::string cmd = "pdftotext -enc UTF-8 '" + pdf.string() + "' '" + txt.string() + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  return test::ReadFile(txt);
}

bool Running(int pid) { return ::kill(pid, 0) == 0; }

// One set of office profiles for every pool of the suite: an office starts much faster on a
// profile made before.
std::string Profiles() {
  static test::ScratchDir dir;
  return dir.path().string();
}

// The office of a one-office pool, once it answers.
int WaitForOffice(OfficePool& pool) {
  pool.Start();
  if (!pool.WaitForOffices(1, 5min)) return 0;
  const std::vector<int> pids = pool.OfficePids();
  return pids.empty() ? 0 : pids[0];
}

class OfficeTest : public ::testing::Test {
 protected:
  // The .doc files come from the offices here, kept documents included, never from a base
  // (doc_base_test covers those).
  static void SetUpTestSuite() {
    pool_ = new OfficePool({.offices = 1, .profile_root = Profiles(), .doc_from_base = false});
  }
  static void TearDownTestSuite() { delete pool_; }

  // A private copy of a fixture, as the word processor hands over a snapshot.
  std::string Snapshot(const std::string& fixture, const std::string& name) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    fs::copy_file(test::DataFile("output/" + fixture), path, fs::copy_options::overwrite_existing);
    return path.string();
  }

  // Records made by our engine from `fixture`, `titles` replaced: the offices write each record's
  // texts into the document they keep loaded. Every output must read exactly as the record's own
  // file loaded afresh, and as our engine wrote it. `blank_loads`: the loads the blank value
  // takes beyond the first.
  void ExpectKeptRecordsReadAsTheirOwn(const std::string& fixture,
                                       const std::vector<std::string>& titles, int blank_loads);

  static OfficePool* pool_;
  test::ScratchDir dir_;
  test::ScriptedHost host_;
};

OfficePool* OfficeTest::pool_ = nullptr;

TEST_F(OfficeTest, OneLoadServesTheDocAndThePdfOfADocument) {
  const int loads = pool_->loads();
  fs::create_directories(dir_ / "输出");
  // The .doc and the PDF of one record, handed over as two snapshots of the same bytes.
  auto doc = pool_->Submit({Snapshot("通知.docx", "a/1.docx"), true,
                            {{(dir_ / "输出" / "张三.doc").string(), StoreFormat::kDoc}}, "张三.doc"});
  auto pdf = pool_->Submit({Snapshot("通知.docx", "b/2.docx"), true,
                            {{(dir_ / "输出" / "张三.pdf").string(), StoreFormat::kPdf}}, "张三.pdf"});
  ASSERT_TRUE(doc.get().ok()) << doc.get().message();
  ASSERT_TRUE(pdf.get().ok()) << pdf.get().message();
  EXPECT_EQ(pool_->loads() - loads, 1);
  EXPECT_EQ(pdf.get().value(), 1);
  // Only the two files, nothing temporary beside them; the snapshots are gone.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "输出"), fs::directory_iterator()), 2);
  EXPECT_NE(PdfText(dir_ / "输出" / "张三.pdf").find("尊敬的张三：您已被销售部录用"),
            std::string::npos);
  EXPECT_EQ(PdfPageCount((dir_ / "输出" / "张三.pdf").string()), 1);
  std::ifstream in(dir_ / "输出" / "张三.doc", std::ios::binary);
  char head[4] = {};
  in.read(head, 4);
  EXPECT_EQ(std::string(head, 4), "\xD0\xCF\x11\xE0");
  EXPECT_FALSE(fs::exists(dir_ / "a/1.docx"));
  EXPECT_FALSE(fs::exists(dir_ / "b/2.docx"));

  // The .doc reads back as the same one-page document.
  const std::string again = (dir_ / "again.pdf").string();
  const ConversionOutcome reread =
      pool_->Submit({(dir_ / "输出" / "张三.doc").string(), false, {{again, StoreFormat::kPdf}}, "张三.doc"}).get();
  ASSERT_TRUE(reread.ok()) << reread.message();
  EXPECT_EQ(reread.value(), 1);
  EXPECT_EQ(PdfPageCount(again), 1);
  EXPECT_NE(PdfText(again).find("尊敬的张三：您已被销售部录用"), std::string::npos);
}

void OfficeTest::ExpectKeptRecordsReadAsTheirOwn(const std::string& fixture,
                                                 const std::vector<std::string>& titles, int blank_loads) {
  RegisterWordServer(test::Engine().word());
  office::oleobject word, word2;
  ASSERT_EQ(word.start_new("word.application"), 0);
  ASSERT_EQ(word2.start_new("word.application"), 0);
  const fs::path templ = dir_ / fixture / "模板.docx";
  fs::create_directories(templ.parent_path());
  fs::copy_file(test::DataFile(fixture), templ);
  merge::PrepareDocuments(word, word2, templ.string());
  const std::vector<std::vector<std::string>> records = {
      {"李四", "技术部"},
      {"", "财务部"},                                      // a blank value
      {"欧阳 Smith-张三", "销售部"},                        // holds the old text
      {"张三", "销售部"},                                   // the template's own text again
      {"王五王五王五王五王五王五王五王五王五王五王五王五", "a&b<c>\"d\""},  // longer; markup
      {"𠮷田", "人事部"},                                   // characters beyond 16 bits
      {"𠀀田", "Jose\u0301"},                             // a combining accent
      {"赵六", "人事部"}};
  const int loads = pool_->loads();
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) merge::NewRecordDocument(word2);
    merge::FillRecord(word, word2, titles, [&](std::size_t k) { return records[i][k]; });
    const std::string docx = (templ.parent_path() / ("记录" + std::to_string(i) + ".docx")).string();
    word2.get("activedocument").call("saveas", {docx});
    word2.get("activedocument").call("close");
    const std::string copy = docx + ".snapshot";
    fs::copy_file(docx, copy);
    const std::string kept_pdf = (dir_ / ("kept" + std::to_string(i) + ".pdf")).string();
    const std::string kept_doc = (dir_ / ("kept" + std::to_string(i) + ".doc")).string();
    ConversionOutcome kept = pool_->Submit({copy, true, {{kept_pdf, StoreFormat::kPdf},
                                                         {kept_doc, StoreFormat::kDoc}}, "kept"}).get();
    ASSERT_TRUE(kept.ok()) << kept.message();
    // The same record loaded on its own (not a snapshot: never served by the kept document).
    const std::string own_pdf = (dir_ / ("own" + std::to_string(i) + ".pdf")).string();
    ConversionOutcome own = pool_->Submit({docx, false, {{own_pdf, StoreFormat::kPdf}}, "own"}).get();
    ASSERT_TRUE(own.ok()) << own.message();
    EXPECT_EQ(kept.value(), own.value()) << i;
    const std::string text = PdfText(kept_pdf);
    EXPECT_EQ(text, PdfText(own_pdf)) << i;
    // Every paragraph our engine wrote is there, whole (white space aside: the PDF's text is
    // laid out in lines).
    const auto squeeze = [](std::string s) {
      std::erase_if(s, [](char c) { return c == '\n' || c == ' '; });
      return s;
    };
    const std::string joined = squeeze(text);
    for (const std::u16string& p : ReadDocxTexts(docx).paragraphs) {
      // Ideographic spaces set text apart on the line: each stretch between them is checked.
      const QStringList pieces = QString::fromStdU16String(p).split(QChar(0x3000), Qt::SkipEmptyParts);
      for (const QString& piece : pieces) {
        const std::string utf8 = squeeze(piece.toStdString());
        EXPECT_NE(joined.find(utf8), std::string::npos) << i << ": " << utf8;
      }
    }
    // The .doc made from the kept document holds the same text as well.
    const std::string doc_pdf = (dir_ / ("doc" + std::to_string(i) + ".pdf")).string();
    ASSERT_TRUE(pool_->Submit({kept_doc, false, {{doc_pdf, StoreFormat::kPdf}}, "doc"}).get().ok());
    EXPECT_EQ(PdfText(doc_pdf), text) << i;
  }
  // One load for all the kept outputs, but where a value is a run of its own: the office drops
  // it when blank, so that record and the one after it are loaded. Each record's own file and
  // .doc loaded once.
  EXPECT_EQ(pool_->loads() - loads, 1 + blank_loads + 2 * static_cast<int>(records.size()));
  word.get("application").call("quit");
  word2.get("application").call("quit");
}

TEST_F(OfficeTest, RecordsMadeInAKeptDocumentReadExactlyAsTheRecordsThemselves) {
  ExpectKeptRecordsReadAsTheirOwn("output/通知.docx", {"张三", "销售部"}, 0);
}

// Two pages, a page break at the end of a paragraph (the office moves the next paragraph to the
// new page instead), a table, a numbered list, a header logo, the page number in the footer.
TEST_F(OfficeTest, PaySlipsMadeInAKeptDocumentReadExactlyAsTheirOwn) {
  ExpectKeptRecordsReadAsTheirOwn("word/payslip.docx", {"姓名", "部门"}, 2);
}

TEST(TextDeltaTest, EditsTurnOneTextIntoTheOtherTouchingOnlyWhatDiffers) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"尊敬的张三：您已被销售部录用", u"尊敬的李四：您已被技术部录用"},
      {u"尊敬的张三：", u"尊敬的："},
      {u"", u"新的文字"},
      {u"abc", u""},
      {u"a张三b张三c", u"a欧阳张三b c"},
      {u"𠮷田", u"𠀀田"},        // pairs sharing their first half
      {u"x𠮷y𠮷z", u"x𠀀y𠮷w"},
      {u"same", u"same"}};
  for (const auto& [from, to] : cases) {
    std::u16string text = from;
    std::size_t last = std::u16string::npos;
    for (const TextEdit& e : DiffText(from, to)) {
      EXPECT_LT(e.position, last) << "edits come last position first";
      last = e.position;
      const auto splits = [&](std::size_t at) {
        return at > 0 && at < from.size() && from[at] >= 0xDC00 && from[at] <= 0xDFFF;
      };
      EXPECT_FALSE(splits(e.position) || splits(e.position + e.length)) << "a pair is cut";
      text.replace(e.position, e.length, e.text);
    }
    EXPECT_EQ(text, to);
  }
  // Two separate changes stay two edits: the text between them is left alone.
  EXPECT_EQ(DiffText(u"尊敬的张三：您已被销售部录用", u"尊敬的李四：您已被技术部录用").size(), 2u);
  EXPECT_TRUE(DiffText(u"same", u"same").empty());
  EXPECT_EQ(CursorSteps(u"a𠮷b", 0, 4), 3u);
}

TEST_F(OfficeTest, FailuresNameTheDocumentAndTheRestIsStillDelivered) {
  OfficeOutputQueue queue(*pool_);
  const std::string good = Snapshot("通知.docx", "good.docx");
  queue.ExportPdf((dir_ / "gone.docx").string(), (dir_ / "缺少.pdf").string(), false, StoreFormat::kDocx);
  queue.ExportPdf(Snapshot("通知.docx", "x.docx"), (dir_ / "no-such-folder" / "x.pdf").string(), true,
                  StoreFormat::kDocx);
  queue.ExportPdf(good, (dir_ / "good.pdf").string(), false, StoreFormat::kDocx);
  int watched = 0;
  try {
    queue.Flush([&](office::WaitStage stage, int, int total) {
      EXPECT_EQ(stage, office::WaitStage::kPdfs);
      EXPECT_EQ(total, 3);
      ++watched;
      return false;
    });
    FAIL() << "Flush must report the missing PDFs";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrOutput);
    EXPECT_NE(e.text().find("缺少.pdf"), std::string::npos) << e.text();
    EXPECT_NE(e.text().find("已重试一次"), std::string::npos) << e.text();
  }
  EXPECT_GT(watched, 0);
  EXPECT_TRUE(fs::exists(dir_ / "good.pdf"));
  EXPECT_TRUE(fs::exists(good));             // not taken: left alone
  EXPECT_FALSE(fs::exists(dir_ / "x.docx"));  // taken: removed even though it failed
  queue.Flush();  // the failures were reported once; the queue is empty
}

// A stop asked for after the offices were cancelled (by the .doc conversions flushed first) is no
// failure of the PDFs that the cancel dropped.
TEST_F(OfficeTest, PdfsDroppedByAStopAreNoFailure) {
  OfficeOutputQueue queue(*pool_);
  queue.ExportPdf(Snapshot("通知.docx", "a.docx"), (dir_ / "a.pdf").string(), true, StoreFormat::kDocx);
  pool_->Cancel();
  EXPECT_NO_THROW(queue.Flush([](office::WaitStage, int, int) { return true; }));
}

// While the user decides whether to stop, no document is begun; a No lets them go on, and a
// cancel ends the pause with the work it drops.
TEST_F(OfficeTest, PausedOfficesBeginNoDocumentUntilResumedOrCancelled) {
  const std::string pdf = (dir_ / "暂停.pdf").string();
  pool_->Pause(true);
  std::shared_future<ConversionOutcome> paused =
      pool_->Submit({Snapshot("通知.docx", "p.docx"), true, {{pdf, StoreFormat::kPdf}}, "暂停.pdf"});
  EXPECT_EQ(paused.wait_for(1500ms), std::future_status::timeout);
  EXPECT_FALSE(fs::exists(pdf));
  pool_->Pause(false);
  EXPECT_TRUE(paused.get().ok()) << paused.get().message();
  EXPECT_TRUE(fs::exists(pdf));

  pool_->Pause(true);
  std::shared_future<ConversionOutcome> dropped = pool_->Submit(
      {Snapshot("通知.docx", "q.docx"), true, {{(dir_ / "q.pdf").string(), StoreFormat::kPdf}}, "q.pdf"});
  pool_->Cancel();
  EXPECT_FALSE(dropped.get().ok());
  const std::string after = (dir_ / "之后.pdf").string();
  EXPECT_TRUE(pool_->Submit({Snapshot("通知.docx", "r.docx"), true, {{after, StoreFormat::kPdf}}, "r"})
                  .get()
                  .ok());
  EXPECT_TRUE(fs::exists(after));
}

// An office only records in its profile that its version has run when it shows a window; until
// then it runs its graphics tests at every start (seconds). The pool's offices have it recorded,
// from their profile's first start on.
TEST(OfficeStartTest, TheOfficesNeverRunTheirFirstStartTests) {
  test::ScratchDir profiles, out;
  const fs::path log = profiles.path() / "office-profile-0" / "user" / "GraphicsRenderTests.log";
  for (const char* name : {"first.pdf", "second.pdf"}) {
    OfficePool pool({.offices = 1, .profile_root = profiles.path().string()});
    const ConversionOutcome done =
        pool.Submit({test::DataFile("output/通知.docx").string(), false,
                     {{(out.path() / name).string(), StoreFormat::kPdf}}, name})
            .get();
    EXPECT_TRUE(done.ok()) << done.message();
    EXPECT_FALSE(fs::exists(log)) << name;
  }
}

// Offices grow with every PDF they make; one that has grown too much is replaced between two
// documents, and no document is lost on the way.
TEST(OfficeRecoveryTest, AnOfficeThatGrewTooMuchIsReplacedBetweenDocuments) {
  test::ScratchDir out;
  OfficePool pool({.offices = 1, .profile_root = Profiles(), .growth_limit_mb = 0});
  for (int i = 0; i < 6; ++i) {
    const fs::path copy = out.path() / ("记录" + std::to_string(i) + ".docx");
    fs::copy_file(test::DataFile("output/通知.docx"), copy);
    // One after the other (equal documents waiting together would be made by one load).
    const ConversionOutcome outcome =
        pool.Submit({copy.string(), true,
                     {{(out.path() / ("记录" + std::to_string(i) + ".pdf")).string(), StoreFormat::kPdf}},
                     copy.filename().string()})
            .get();
    EXPECT_TRUE(outcome.ok()) << outcome.message();
  }
  for (int i = 0; i < 6; ++i) {
    EXPECT_GT(PdfPageCount((out.path() / ("记录" + std::to_string(i) + ".pdf")).string()), 0) << i;
  }
  EXPECT_GT(pool.replaced(), 0);
  EXPECT_GT(pool.starts(), 1);
}

TEST(OfficeRecoveryTest, ACrashedOrHungOfficeIsReplacedAndTheDocumentRetried) {
  test::ScratchDir dir;
  std::vector<int> seen;
  {
    OfficePool pool({.offices = 1, .profile_root = Profiles(), .job_timeout = 4s});
    // Crash: the office dies while the document is being loaded.
    int pid = WaitForOffice(pool);
    ASSERT_GT(pid, 0);
    seen.push_back(pid);
    ::kill(pid, SIGSTOP);
    fs::copy_file(test::DataFile("output/通知.docx"), dir.path() / "a.docx");
    auto crashed = pool.Submit({(dir.path() / "a.docx").string(), false,
                                {{(dir.path() / "a.pdf").string(), StoreFormat::kPdf}}, "a.pdf"});
    ASSERT_TRUE(pool.WaitForJob(2min, JobKind::kConversion));
    ::kill(-pid, SIGKILL);
    ASSERT_TRUE(crashed.get().ok()) << crashed.get().message();
    EXPECT_TRUE(fs::exists(dir.path() / "a.pdf"));

    // Hang: the office stops answering; the watchdog kills it and the document is retried.
    pid = pool.OfficePids().at(0);
    seen.push_back(pid);
    ::kill(pid, SIGSTOP);
    auto hung = pool.Submit({(dir.path() / "a.docx").string(), false,
                             {{(dir.path() / "b.pdf").string(), StoreFormat::kPdf}}, "b.pdf"});
    ASSERT_TRUE(hung.get().ok()) << hung.get().message();
    EXPECT_TRUE(fs::exists(dir.path() / "b.pdf"));
    EXPECT_EQ(pool.starts(), 3);
    seen.push_back(pool.OfficePids().at(0));
  }
  for (int pid : seen) EXPECT_FALSE(Running(pid)) << pid;
}

TEST(OfficeRecoveryTest, CancelKillsTheOfficesAndDropsWhatWaits) {
  test::ScratchDir dir;
  OfficePool pool({.offices = 1, .profile_root = Profiles()});
  const int pid = WaitForOffice(pool);
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGSTOP);  // the first document stays in the office until the cancel
  std::vector<std::shared_future<ConversionOutcome>> outcomes;
  for (int i = 0; i < 3; ++i) {
    const fs::path src = dir.path() / (std::to_string(i) + ".docx");
    fs::copy_file(test::DataFile("output/通知.docx"), src);
    std::ofstream(src, std::ios::app) << i;  // three different documents
    outcomes.push_back(pool.Submit(
        {src.string(), true, {{(dir.path() / (std::to_string(i) + ".pdf")).string()}}, "记录"}));
  }
  ASSERT_TRUE(pool.WaitForJob(2min));
  pool.Cancel();
  for (auto& o : outcomes) {
    EXPECT_FALSE(o.get().ok());
    EXPECT_NE(o.get().message().find("已取消"), std::string::npos) << o.get().message();
  }
  EXPECT_FALSE(Running(pid));
  EXPECT_TRUE(pool.OfficePids().empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(fs::exists(dir.path() / (std::to_string(i) + ".pdf")));
    EXPECT_FALSE(fs::exists(dir.path() / (std::to_string(i) + ".docx")));
  }
}

class PrintTest : public OfficeTest {
 protected:
  void SetUp() override {
    if (DefaultPrinter().empty()) GTEST_SKIP() << "no CUPS default printer (run scripts/services.sh)";
  }
};

TEST_F(PrintTest, DocumentsArePrintedInOrderWithTheirCopiesAndNames) {
  OfficeOutputQueue queue(*pool_);
  const int before = test::LastJobId();
  queue.Print(Snapshot("通知.docx", "1/李四.docx"), 3, true, StoreFormat::kDocx);
  // A record saved as .doc is printed from a snapshot of the same name holding .docx bytes, as
  // the office shows the .doc made of it.
  queue.Print(Snapshot("通知.docx", "2/赵六.doc"), 1, true, StoreFormat::kDoc);
  const std::string pdf = (dir_ / "王五.pdf").string();
  queue.ExportPdf(Snapshot("通知.doc", "src.doc"), pdf, true, StoreFormat::kDocx);
  // The flush tells the PDFs made, then the print jobs sent, each stage counting up to its total.
  std::vector<std::string> stages;
  queue.Flush([&](office::WaitStage stage, int done, int total) {
    const std::string seen = (stage == office::WaitStage::kPdfs ? "pdf " : "print ") +
                             std::to_string(total);
    if (stages.empty() || stages.back() != seen) stages.push_back(seen);
    EXPECT_LE(done, total);
    return false;
  });
  EXPECT_EQ(stages.back(), "print 2");
  EXPECT_TRUE(stages.size() == 1 || stages == std::vector<std::string>({"pdf 1", "print 2"}));
  EXPECT_EQ(queue.PrintsSent(), 2);
  queue.Print(pdf, 2, false, StoreFormat::kDocx);
  queue.Flush();
  EXPECT_EQ(queue.PrintsSent(), 1);  // counted afresh for the new work
  const std::vector<test::PrintJob> jobs = test::JobsAfter(before, 3);
  ASSERT_EQ(jobs.size(), 3u);
  EXPECT_EQ(jobs[0].title, "李四.docx");
  EXPECT_EQ(jobs[0].copies, 3);
  EXPECT_EQ(jobs[1].title, "赵六.doc");
  EXPECT_EQ(jobs[2].title, "王五.pdf");
  EXPECT_EQ(jobs[2].copies, 2);
  EXPECT_FALSE(fs::exists(dir_ / "1/李四.docx"));
  EXPECT_TRUE(fs::exists(pdf));
}

TEST_F(OfficeTest, NoPrinterIsAClearRunTimeError) {
  OfficeOutputQueue queue(*pool_);
  cupsSetServer((dir_ / "no-cups.sock").c_str());
  const std::string doc = Snapshot("通知.docx", "a.docx");
  try {
    queue.Print(doc, 1, true, StoreFormat::kDocx);
    ADD_FAILURE() << "printing without a printer must fail";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrOutput);
    EXPECT_NE(e.text().find("没有可用的打印机"), std::string::npos) << e.text();
  }
  cupsSetServer(nullptr);
  EXPECT_FALSE(fs::exists(doc));
}

}  // namespace
}  // namespace vexlo::engine

namespace vexlo::engine::word {
namespace {

// A .doc template is converted once per content, in the background, into the user's cache.
TEST(TemplateCacheTest, ATemplateIsConvertedOncePerContent) {
  test::ScratchDir cache;
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  const fs::path doc = cache.path() / "模板.doc";
  fs::copy_file(test::DataFile("output/通知.doc"), doc);
  DocConversions& conversions = test::Engine().conversions();
  std::shared_future<TemplateConversion> first = conversions.PrepareTemplateAsync(doc.string());
  const TemplateConversion made = first.get();
  ASSERT_TRUE(made.error.empty()) << made.error;
  EXPECT_EQ(fs::path(made.docx_path).parent_path(), cache.path() / "vexlo" / "templates");
  const int loads = test::Engine().pool().loads();
  // The same bytes under another name: ready at once, from the cache.
  fs::copy_file(doc, cache.path() / "副本.doc");
  std::shared_future<TemplateConversion> again =
      conversions.PrepareTemplateAsync((cache.path() / "副本.doc").string());
  EXPECT_EQ(again.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_EQ(again.get().docx_path, made.docx_path);
  EXPECT_NE(conversions.ConvertToDocx(doc.string()).find("word/document.xml"), std::string::npos);
  EXPECT_EQ(test::Engine().pool().loads(), loads);
  test::Engine().pool().Shutdown();
  ::unsetenv("XDG_CACHE_HOME");
}

// The program ends while a template is being read (the offices were started before it was
// chosen, as the window does): the reading ends with the program instead of holding up its end
// until it is done, and no office is left behind.
TEST(TemplateCacheTest, AReadingUnderWayEndsWithTheProgram) {
  test::ScratchDir cache;
  const fs::path doc = cache.path() / "模板.doc";
  fs::copy_file(test::DataFile("output/通知.doc"), doc);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    test::Engine().pool().Start(1);
    test::Engine().conversions().PrepareTemplateAsync(doc.string());
    test::EndEngineServices();
    std::exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const fs::path templates = cache.path() / "vexlo" / "templates";
  EXPECT_TRUE(!fs::exists(templates) || fs::is_empty(templates)) << "the reading went on after the end";
  // No office of that cache's profiles is running.
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string cmdline = test::ReadFile(entry.path() / "cmdline");
    EXPECT_EQ(cmdline.find(cache.path().string()), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace vexlo::engine::word

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(TempFolderTest, AnOfficeFolderIsPrivateAndMarkedAsThisProcesssOwn) {
  const Result<std::string> folder = MakePrivateTempFolder("office", TempSpeed::kMemory);
  ASSERT_TRUE(folder.ok()) << folder.message();
  const std::string& made = *folder;
  EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_NE(fs::path(made).filename().string().find("-" + std::to_string(::getpid()) + "-"),
            std::string::npos);
  EXPECT_NE(test::ReadFile(fs::path(made) / ".vexlo-owner").find("pid=" + std::to_string(::getpid()) + "\n"),
            std::string::npos);
  fs::remove_all(made);
}

}  // namespace
}  // namespace vexlo::engine
