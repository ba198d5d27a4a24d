// "word.application" through the automation gateway: generation in both output modes, what the
// outputs keep, saving, export and print hand-over, and the desktop hand-off.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <regex>

#include "app/runtime_error.h"
#include "merge/document_generation.h"
#include "office/deferred_work.h"
#include "office/engine/engine_services.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/word_application.h"
#include "office/engine/word/word_selection.h"
#include "office/oleobject.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;
using office::oleobject;
using office::Value;
using test::DataFile;
using test::ScratchDir;

const std::vector<std::string> kPayTitles = {"姓名", "工号", "部门", "岗位", "基本工资", "绩效工资",
                                             "加班费", "社保", "公积金", "个税", "实发工资", "发放月份"};

struct Request {
  std::string kind, source, target;
  int copies = 0;
  std::string text;  // the source's story text at the time of the request
  std::string password = {};
};

class RecordingQueue : public OutputQueue {
 public:
  void ExportPdf(const std::string& source, const std::string& pdf, bool take, StoreFormat,
                 const std::string& password) override {
    requests.push_back({"pdf", source, pdf, 0, test::AllText(*WordPackage::Load(source)), password});
    EXPECT_TRUE(take);
  }
  void Print(const std::string& source, int copies, bool, StoreFormat) override {
    requests.push_back({"print", source, "", copies, test::AllText(*WordPackage::Load(source))});
  }
  void Flush(const office::WaitWatch&) override { ++flushes; }
  std::vector<Request> requests;
  int flushes = 0;
};

class WordServerTest : public ::testing::Test {
 protected:
  // The word server of these cases: the engine's, but its PDFs and prints go to the recording
  // queue, its clipboard is the case's own and what it hands to the desktop goes to handoff_.
  void SetUp() override {
    EngineServices& engine = test::Engine();
    RegisterEmbeddedServers(engine);
    RegisterWordServer({queue_, engine.conversions(), engine.held_saves(), clipboard_,
                        [this](const std::string& path) {
                          if (handoff_) handoff_(path);
                        }});
  }
  void TearDown() override {
    RegisterEmbeddedServers(test::Engine());
  }
  void Start() {
    ASSERT_EQ(word_.start_new("word.application"), 0);
    ASSERT_EQ(word2_.start_new("word.application"), 0);
  }
  // Fills `records` with the pay slip titles; value k of record r is "<title>-<r>".
  void FillPaySlip(int r) {
    merge::FillRecord(word_, word2_, kPayTitles,
                      [r](size_t k) { return kPayTitles[k] + "-" + std::to_string(r); });
  }
  Value Doc1() { return word2_.get("documents").call("item", {Value(1)}); }

  RecordingQueue queue_;
  word::WordClipboard clipboard_;
  DesktopHandoff handoff_;
  ScratchDir dir_;
  oleobject word_, word2_;
};

TEST_F(WordServerTest, OneDocumentPerRecord) {
  Start();
  EXPECT_EQ(ToText(word_.get("application").get("version")), "16.0");
  merge::PrepareDocuments(word_, word2_, DataFile("word/payslip.docx").string());
  for (int r = 2; r <= 4; ++r) {
    if (r > 2) merge::NewRecordDocument(word2_);
    FillPaySlip(r);
    const std::string out = (dir_ / ("记录" + std::to_string(r) + ".docx")).string();
    Doc1().call("saveas", {Value(out)});
    word2_.get("activedocument").call("exportasfixedformat", {Value(out + ".pdf"), Value(17)});
    Doc1().call("close");
  }
  word_.get("documents").call("item", {Value(1)}).call("close");
  word_.get("application").call("quit");
  word2_.get("application").call("quit");
  EXPECT_EQ(queue_.flushes, 2);

  for (int r = 2; r <= 4; ++r) {
    const std::string out = (dir_ / ("记录" + std::to_string(r) + ".docx")).string();
    auto pkg = WordPackage::Load(out);
    const std::string text = test::AllText(*pkg);
    for (const std::string& t : kPayTitles) {
      EXPECT_NE(text.find(t + "-" + std::to_string(r)), std::string::npos) << t;
    }
    // Split titles were found too, and the labels of the table are not titles.
    EXPECT_EQ(text.find("实发工资\n"), std::string::npos);
    EXPECT_NE(text.find("姓　　名"), std::string::npos);
    // Everything but the main part is carried through byte for byte.
    for (const char* part : {"word/header1.xml", "word/footer1.xml", "word/media/image1.png",
                             "word/styles.xml", "word/numbering.xml", "[Content_Types].xml"}) {
      EXPECT_EQ(test::Part(out, part), test::Part(DataFile("word/payslip.docx").string(), part))
          << part;
    }
  }
  ASSERT_EQ(queue_.requests.size(), 3u);
  EXPECT_NE(queue_.requests[1].text.find("姓名-3"), std::string::npos);
  // No leftovers of atomic saves.
  for (const auto& e : fs::directory_iterator(dir_.path())) {
    EXPECT_EQ(e.path().filename().string().find(".vexlo-"), std::string::npos);
  }
}

TEST_F(WordServerTest, OneFileKeepsIdsUniqueAcrossCopies) {
  Start();
  merge::PrepareDocuments(word_, word2_, DataFile("word/features.docx").string());
  const std::string out = (dir_ / "合并输出.docx").string();
  Doc1().call("saveas", {Value(out)});
  for (int r = 2; r <= 4; ++r) {
    merge::FillRecord(word_, word2_, {"姓名", "部门"},
                      [r](size_t k) { return (k ? "部" : "人") + std::to_string(r); });
    Doc1().call("save");
  }
  Doc1().call("printout", {Value(true), Value(false), Value(0), Value(""), Value(""), Value(""),
                           Value(0), Value("3")});
  Doc1().call("close");
  ASSERT_EQ(queue_.requests.size(), 1u);
  EXPECT_EQ(queue_.requests[0].copies, 3);

  auto pkg = WordPackage::Load(out);
  const auto paras = test::Paragraphs(*pkg);
  const size_t per_copy = WordPackage::Load(DataFile("word/features.docx").string())->story().paragraphs().size();
  ASSERT_EQ(paras.size(), 3 * per_copy);
  // Copies follow one another directly.
  EXPECT_EQ(paras[0], "尊敬的人2：您好");
  EXPECT_EQ(paras[per_copy], "尊敬的人3：您好");
  EXPECT_EQ(paras[2 * per_copy], "尊敬的人4：您好");
  EXPECT_EQ(paras[per_copy - 1], "制表符姓\t名");

  const std::string xml = test::Part(out, "word/document.xml");
  auto values = [&](const std::string& pattern) {
    std::vector<std::string> v;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), re); it != std::sregex_iterator(); ++it) {
      v.push_back((*it)[1]);
    }
    return v;
  };
  const auto ids = values("<wp:docPr id=\"(\\d+)\"");
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 3u);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "2"), 0);  // the header's picture keeps its id
  const auto names = values("w:bookmarkStart w:id=\"\\d+\" w:name=\"([^\"]+)\"");
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 3u);
  const auto marks = values("w:bookmarkStart w:id=\"(\\d+)\"");
  EXPECT_EQ(std::set<std::string>(marks.begin(), marks.end()).size(), 3u);
  EXPECT_EQ(test::Count(xml, "w14:paraId=\"20000001\""), 1u);
  // One picture part, shared by all copies; one final section.
  EXPECT_EQ(test::Count(xml, "r:embed=\"rId10\""), 3u);
  EXPECT_EQ(test::Count(xml, "<w:sectPr>"), 1u);
}

// Ranges through the gateway: positions at the boundaries of pasted copies, a find limited to
// its range unless it is to continue past the end, and the errors for what is not supported.
TEST_F(WordServerTest, RangesBetweenPastedCopies) {
  Start();
  merge::PrepareDocuments(word_, word2_, DataFile("word/features.docx").string());
  const Value doc = word2_.get("activedocument");
  const auto end = [&] { return doc.get("content").get("end").long_value(); };
  EXPECT_EQ(word2_.get("selection").get("start"), Value(0));
  EXPECT_EQ(end(), 1);
  word_.get("selection").get("wholestory");
  word_.get("selection").get("copy");
  word2_.get("selection").get("paste");
  const int32_t one = end();
  EXPECT_EQ(word2_.get("selection").get("start"), Value(one));
  word2_.get("selection").get("paste");
  EXPECT_EQ(end(), 2 * one);
  EXPECT_EQ(doc.get("content").get("start"), Value(0));
  const Value second = doc.call("range", {Value(one), Value(end())});

  const auto execute = [&](const Value& range, const std::string& find, const std::string& with,
                           int32_t wrap) {
    return range.get("find").call(
        "execute", {Value(find), Value(false), Value(true), Value(false), Value(false),
                    Value(false), Value(true), Value(wrap), Value(true), Value(with), Value(2)});
  };
  EXPECT_EQ(execute(doc.call("range", {Value(one), Value(end())}), "姓名", "甲", 0), Value(true));
  // Same length: the boundary between the copies stays where it was.
  EXPECT_EQ(execute(doc.call("range", {Value(0), Value(one)}), "部门", "乙方", 0), Value(true));
  EXPECT_EQ(execute(doc.call("range", {Value(0), Value(one)}), "甲", "丙", 0), Value(false));
  // Wrap 1 continues over the whole story.
  EXPECT_EQ(execute(doc.call("range", {Value(one), Value(end())}), "工号", "7", 1), Value(true));
  const std::string out = (dir_ / "ranges.docx").string();
  doc.call("saveas", {Value(out)});
  const auto paras = test::Paragraphs(*WordPackage::Load(out));
  const size_t n = paras.size() / 2;
  EXPECT_EQ(paras[0], "尊敬的姓名：您好");
  EXPECT_EQ(paras[n], "尊敬的甲：您好");
  EXPECT_EQ(paras[3], "链接：乙方");
  EXPECT_EQ(paras[n + 3], "链接：部门");
  EXPECT_EQ(paras[4], "7");
  EXPECT_EQ(paras[n + 4], "7");

  try {
    doc.call("range", {Value(one + 1), Value(end())});
    FAIL() << "a range that starts inside a copy";
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find("在一份粘贴内容的中间"), std::string::npos) << e.text();
  }
  EXPECT_THROW(doc.call("range", {Value(end() + 1), Value(end() + 2)}), app::RuntimeError);
  // A range follows the edits: the second copy now starts two positions earlier (工号 became 7
  // twice in the first) and still ends with the story.
  EXPECT_EQ(second.get("start"), Value(one - 2));
  EXPECT_EQ(second.get("end"), Value(end()));
  // The whole story selected in the output instance; pasting over it replaces the story, and
  // ranges of the copies that were there are no longer valid.
  word2_.get("selection").get("wholestory");
  EXPECT_EQ(word2_.get("selection").get("start"), Value(0));
  EXPECT_EQ(word2_.get("selection").get("end"), Value(end()));
  const Value first = doc.call("range", {Value(0), Value(0)});
  word2_.get("selection").get("paste");
  EXPECT_THROW(first.get("start"), app::RuntimeError);
  // A range kept after its document closed.
  const Value kept = doc.get("content");
  doc.call("close");
  EXPECT_THROW(execute(kept, "乙方", "x", 0), app::RuntimeError);
}

TEST_F(WordServerTest, TemplateWithoutTitlesGivesExactCopies) {
  Start();
  const std::string tpl = DataFile("word/notitles.docx").string();
  merge::PrepareDocuments(word_, word2_, tpl);
  merge::FillRecord(word_, word2_, kPayTitles, [](size_t) { return "值"; });
  const std::string out = (dir_ / "copy.docx").string();
  Doc1().call("saveas", {Value(out)});
  EXPECT_EQ(WordPackage::Load(out)->WithMainXml(test::Part(out, "word/document.xml"))
                ->story().texts(),
            WordPackage::Load(tpl)->story().texts());
  // The main part reads back to the same markup; the other parts are the very same bytes.
  EXPECT_EQ(WordPackage::Load(out)->story().prefix(), WordPackage::Load(tpl)->story().prefix());
  auto a = ZipReader::Open(out), b = ZipReader::Open(tpl);
  EXPECT_EQ(a->names(), b->names());
  for (const std::string& n : b->names()) {
    if (n != "word/document.xml") {
      EXPECT_EQ(a->Read(n), b->Read(n)) << n;
    }
  }
}

TEST_F(WordServerTest, HeldSavesAreWrittenAtTheLatestAtTheFlushPoint) {
  Start();
  merge::PrepareDocuments(word_, word2_, DataFile("word/features.docx").string());
  const std::string out = (dir_ / "合并输出.docx").string();
  Doc1().call("saveas", {Value(out)});
  for (int r = 2; r <= 3; ++r) {
    merge::FillRecord(word_, word2_, {"姓名"}, [r](size_t) { return "人" + std::to_string(r); });
    Doc1().call("save");
  }
  // A third record is filled but never saved: then the run ends in an error.
  merge::FillRecord(word_, word2_, {"姓名"}, [](size_t) { return "未保存"; });
  office::FlushPoint(&test::Engine().deferred_work()).Flush(true);
  const std::string text = test::AllText(*WordPackage::Load(out));
  EXPECT_NE(text.find("人3"), std::string::npos);
  EXPECT_EQ(text.find("未保存"), std::string::npos);

  // Releasing the instance without quit writes a held save too.
  for (int r = 5; r <= 6; ++r) {
    merge::FillRecord(word_, word2_, {"姓名"}, [r](size_t) { return "人" + std::to_string(r); });
    Doc1().call("save");
  }
  word2_.release();
  EXPECT_NE(test::AllText(*WordPackage::Load(out)).find("人6"), std::string::npos);
}

TEST_F(WordServerTest, SavesAreAtomic) {
  Start();
  word2_.get("documents").call("add", {Value(""), Value(false), Value(0)});
  const std::string missing = (dir_ / "没有的文件夹" / "x.docx").string();
  try {
    Doc1().call("saveas", {Value(missing)});
    FAIL() << "saving into a missing folder must fail";
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find(missing), std::string::npos);
  }
  // An existing file is replaced whole.
  const std::string out = (dir_ / "a.docx").string();
  test::WriteFile(out, "old");
  Doc1().call("saveas", {Value(out)});
  EXPECT_NO_THROW(WordPackage::Load(out));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
  // A new document without a name cannot be saved with save().
  word2_.get("documents").call("add");
  EXPECT_THROW(word2_.get("activedocument").call("save"), app::RuntimeError);
}

TEST_F(WordServerTest, ErrorsForBadCalls) {
  Start();
  EXPECT_THROW(word2_.get("activedocument"), app::RuntimeError);
  EXPECT_THROW(word2_.get("documents").call("item", {Value(1)}), app::RuntimeError);
  word2_.get("documents").call("add");
  EXPECT_THROW(word2_.get("selection").get("paste"), app::RuntimeError);  // nothing copied
  EXPECT_THROW(word2_.get("selection").get("copy"), app::RuntimeError);   // nothing selected
  EXPECT_THROW(word2_.get("activedocument").call("exportasfixedformat", {Value("x.xps"), Value(18)}),
               app::RuntimeError);
  // Objects kept after their instance is gone answer with the run-time error.
  Value docs;
  {
    oleobject w;
    ASSERT_EQ(w.start_new("word.application"), 0);
    docs = w.get("documents");
    docs.call("add");
  }
  EXPECT_THROW(docs.call("add"), app::RuntimeError);
}

TEST_F(WordServerTest, VisibleInstanceReleasedWithoutQuitHandsItsFilesOver) {
  std::vector<std::string> handed;
  handoff_ = [&](const std::string& p) { handed.push_back(p); };
  const std::string file = (dir_ / "模板.docx").string();
  fs::copy_file(DataFile("word/features.docx"), file);
  {
    oleobject w;
    ASSERT_EQ(w.start_new("word.application"), 0);
    w.get("application").get("documents").call("open", {Value(file)});
    w.get("application").set("visible", Value(true));
    w.release();
  }
  EXPECT_EQ(handed, std::vector<std::string>{file});
  // Quit before release hands nothing.
  handed.clear();
  oleobject w;
  ASSERT_EQ(w.start_new("word.application"), 0);
  w.get("documents").call("open", {Value(file)});
  w.get("application").set("visible", Value(true));
  w.get("application").call("quit");
  w.release();
  EXPECT_TRUE(handed.empty());
}

TEST_F(WordServerTest, DocTemplateRoundTripAndPdfThroughLibreOffice) {
  if (SofficeProgram().empty()) GTEST_SKIP() << "LibreOffice is not installed";
  Start();
  merge::PrepareDocuments(word_, word2_, DataFile("word/lo_notice.doc").string());
  merge::FillRecord(word_, word2_, {"姓名", "编号", "部门"},
                    [](size_t k) { return std::vector<std::string>{"王五", "NO.9", "财务部"}[k]; });
  const std::string out = (dir_ / "王五.doc").string();
  Doc1().call("saveas", {Value(out)});
  Doc1().call("close");
  // Read the .doc back through the same conversion.
  word2_.get("documents").call("add", {Value(out), Value(false), Value(0)});
  const std::string back = (dir_ / "back.docx").string();
  Doc1().call("saveas", {Value(back)});
  const std::string text = test::AllText(*WordPackage::Load(back));
  EXPECT_NE(text.find("尊敬的王五："), std::string::npos) << text;
  EXPECT_NE(text.find("您的NO.9是NO.9，财务部：财务部。"), std::string::npos) << text;

  // One document per record in .doc, from a .doc template without an extension: the files are
  // converted in one batch and all exist once the instance quits.
  const fs::path bare = dir_ / "模板";
  fs::copy_file(DataFile("word/lo_notice.doc"), bare);
  oleobject t, o;
  ASSERT_EQ(t.start_new("word.application"), 0);
  ASSERT_EQ(o.start_new("word.application"), 0);
  merge::PrepareDocuments(t, o, bare.string());
  for (int r = 0; r < 3; ++r) {
    if (r > 0) merge::NewRecordDocument(o);
    merge::FillRecord(t, o, {"姓名"}, [r](size_t) { return "甲" + std::to_string(r); });
    o.get("documents").call("item", {Value(1)}).call("saveas", {Value((dir_ / ("甲" + std::to_string(r) + ".doc")).string())});
    o.get("documents").call("item", {Value(1)}).call("close");
  }
  o.get("application").call("quit");
  for (int r = 0; r < 3; ++r) {
    const fs::path f = dir_ / ("甲" + std::to_string(r) + ".doc");
    ASSERT_TRUE(fs::exists(f)) << f;
    EXPECT_TRUE(IsCompoundFile(test::ReadFile(f)));
  }

  // LibreOffice accepts a merged .docx of ours with pictures, headers and several copies.
  const std::string merged = (dir_ / "merged.docx").string();
  oleobject a, b;
  ASSERT_EQ(a.start_new("word.application"), 0);
  ASSERT_EQ(b.start_new("word.application"), 0);
  merge::PrepareDocuments(a, b, DataFile("word/payslip.docx").string());
  for (int r = 0; r < 2; ++r) {
    merge::FillRecord(a, b, kPayTitles,
                      [r](size_t k) { return "v" + std::to_string(k) + "r" + std::to_string(r); });
  }
  b.get("activedocument").call("saveas", {Value(merged)});
  const auto result = RunSofficeConvert({merged}, "pdf", dir_.path().string(),
                                        (dir_ / "profile").string());
  ASSERT_TRUE(result.started);
  ASSERT_TRUE(fs::exists(dir_ / "merged.pdf")) << result.output;
  const std::string txt = (dir_ / "merged.txt").string();
  ASSERT_EQ(std::system(("pdftotext '" + (dir_ / "merged.pdf").string() + "' '" + txt + "'").c_str()), 0);
  const std::string pdf_text = test::ReadFile(txt);
  EXPECT_NE(pdf_text.find("v0r1"), std::string::npos) << pdf_text;
  EXPECT_NE(pdf_text.find("v10r0"), std::string::npos) << pdf_text;
}

}  // namespace
}  // namespace vexlo::engine::word
