// The .doc of a record written from the office's .doc of another record of its template, against
// the real LibreOffice: its streams must be, byte for byte, those of the office's own .doc of that
// record, and the office must read it; what cannot be written that way is refused, and the pool
// then has the office make it.
#include <gtest/gtest.h>

#include "app/runtime_error.h"

#include <cstring>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "office/engine/package/compound_file.h"
#include "office/engine/package/little_endian.h"
#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/doc_file_records.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/text_delta.h"
#include "tests/engine/soffice/record_files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

const char* const kStreams[] = {"WordDocument", "1Table", "Data", "\x01" "CompObj", "\x05" "SummaryInformation",
                                "\x05" "DocumentSummaryInformation"};

std::uint32_t Get32(const std::string& s, std::size_t at) { return at + 4 <= s.size() ? ReadLe32(s, at) : 0; }

// How the written .doc differs from the office's own, but for what only the office's layout and
// word breaking know: the word and page counts among the document statistics, and the page
// numbers that fields in the headers and footers showed when the office saved. Empty when alike.
std::string Unexplained(const std::string& own, const std::string& written) {
  const CompoundFile a(own, "own"), b(written, "written");
  std::string out;
  for (const char* name : kStreams) {
    const std::string_view n(name);
    if (n != "WordDocument" && n != "1Table" && a.ReadStream(name) != b.ReadStream(name)) out += " stream " + std::string(n.substr(1));
  }
  const std::string wa = *a.ReadStream("WordDocument"), wb = *b.ReadStream("WordDocument");
  const std::string ta = *a.ReadStream("1Table"), tb = *b.ReadStream("1Table");
  if (wa.size() != wb.size() || ta.size() != tb.size()) return out + " sizes";
  using namespace doc_file;
  const std::size_t shorts = static_cast<std::uint16_t>(Get32(wa, fib::kShortCount));
  const std::size_t longs = static_cast<std::uint16_t>(Get32(wa, fib::LongCountAt(shorts)));
  const std::size_t lw = fib::LongsAt(shorts), fclcb = fib::StructuresAt(lw, longs);
  const std::uint32_t dop = Get32(wa, fclcb + structure::kEntrySize * structure::kDop);
  const std::uint32_t clx = Get32(wa, fclcb + structure::kEntrySize * structure::kClx);
  const std::uint32_t fc0 = Get32(ta, clx + clx::kPieceStart) & clx::kStartMask;
  const std::uint32_t total = Get32(ta, clx + clx::kLastCharacter);
  const std::uint32_t headers = fc0 + 2 * Get32(wa, lw + fib_longs::kMainCharacters);
  const auto digit = [](const std::string& s, std::size_t at) {
    at -= at % 2;
    return s[at] >= '0' && s[at] <= '9' && s[at + 1] == 0;
  };
  for (std::size_t k = 0; k < wa.size(); ++k) {
    if (wa[k] == wb[k]) continue;
    if (k >= headers && k < fc0 + 2 * total && digit(wa, k) && digit(wb, k)) continue;
    out += " WordDocument@" + std::to_string(k);
  }
  for (std::size_t k = 0; k < ta.size(); ++k) {
    if (ta[k] == tb[k]) continue;
    // The word and page counts, with and without the notes.
    const std::size_t in_dop = k - dop;
    const auto in = [&](std::size_t at, std::size_t size) { return in_dop >= at && in_dop < at + size; };
    if (k >= dop && (in(dop::kWords, 4) || in(dop::kPages, 2) || in(dop::kWordsWithNotes, 4) ||
                     in(dop::kPagesWithNotes, 2))) {
      continue;
    }
    out += " 1Table@" + std::to_string(k);
  }
  return out;
}

class DocBaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    profiles_ = new test::ScratchDir;
    // Every .doc from a fresh load: the office's own result for each record.
    pool_ = new OfficePool({.offices = 1, .profile_root = profiles_->path().string(), .keep_documents = false,
                            .join_records = false, .doc_from_base = false});
  }
  static void TearDownTestSuite() {
    delete pool_;
    delete profiles_;
  }

  // The office's own .doc of `record`, next to it.
  static std::string OwnDoc(const fs::path& record) {
    const std::string doc = fs::path(record).replace_extension(".doc").string();
    const ConversionOutcome made = pool_->Submit({record.string(), false, {{doc, StoreFormat::kDoc}}, "own"}).get();
    EXPECT_TRUE(made.ok) << made.error;
    return doc;
  }

  // The text of a .doc as the office reads it, and its page count, through a PDF.
  static std::pair<std::string, int> Read(const std::string& doc) {
    const std::string pdf = doc + ".pdf";
    const ConversionOutcome made = pool_->Submit({doc, false, {{pdf, StoreFormat::kPdf}}, "read"}).get();
    EXPECT_TRUE(made.ok) << made.error;
    if (std::system(("pdftotext -enc UTF-8 '" + pdf + "' '" + pdf + ".txt'").c_str()) != 0) return {};
    return {test::ReadFile(pdf + ".txt"), made.pages};
  }

  // Writes every record but the first from the first's .doc and compares with the office's own;
  // the records in `refusable` may be refused instead (and the base itself, `base_may_fail`).
  // Returns how many were written.
  int ExpectWrittenAsOwn(const std::vector<fs::path>& records, const std::vector<std::size_t>& refusable = {},
                         bool base_may_fail = false) {
    std::string why;
    const std::shared_ptr<const DocBase> base =
        DocBase::Make(test::ReadFile(OwnDoc(records[0])), ReadDocxTexts(records[0].string()), &why);
    EXPECT_TRUE(base || base_may_fail) << why;
    if (!base) return 0;
    int written_count = 0;
    for (std::size_t i = 1; i < records.size(); ++i) {
      const std::string own = test::ReadFile(OwnDoc(records[i]));
      const std::optional<std::string> written = base->Write(ReadDocxTexts(records[i].string()), &why);
      const bool may_refuse = std::find(refusable.begin(), refusable.end(), i) != refusable.end();
      if (!written) {
        EXPECT_TRUE(may_refuse) << "record " << i << " refused: " << why;
        continue;
      }
      ++written_count;
      EXPECT_EQ(Unexplained(own, *written), "") << "record " << i;
      const fs::path path = dir_ / ("written" + std::to_string(i) + ".doc");
      test::WriteFile(path, *written);
      EXPECT_EQ(Read(path.string()), Read(fs::path(records[i]).replace_extension(".doc").string())) << i;
    }
    return written_count;
  }

  static test::ScratchDir* profiles_;
  static OfficePool* pool_;
  test::ScratchDir dir_;
  test::ScriptedHost host_;
};

test::ScratchDir* DocBaseTest::profiles_ = nullptr;
OfficePool* DocBaseTest::pool_ = nullptr;

// The pay slip (a logo and the page number in the header and footer, a table, a numbered list, a
// page break, a bold "基本工资" that the office splits into a Latin and an Asian run): values of
// the same length, shorter, long enough for more pages, of mixed scripts with spaces and
// characters outside the basic plane. An emptied value and a bold value that changes script may
// be refused.
TEST_F(DocBaseTest, PaySlipsWrittenFromAnotherRecordAreTheOfficesOwn) {
  const std::vector<fs::path> records = test::MakeRecords(
      dir_.path(), "word/payslip.docx", {"姓名", "部门", "基本"},
      {{"李四", "技术部", "5037"},
       {"王五", "人事部", "12000.50"},
       {"赵", "部", "800"},
       {"欧阳" + std::string(3 * 300, 'x') + "长长", "技术部", "5037"},
       {"Zhang San 张三 𠮷 😀", "R&D 研发（一）部 no.2", "6 000"},
       {"", "财务部", "5037"},
       {"钱七", "销售部", "五千"}});
  EXPECT_GE(ExpectWrittenAsOwn(records, {5, 6}), 4);
}

// A picture in a line of the body, a seal anchored behind the signature, a link to the
// company's site: the office writes them as characters the package shows no text for, and notes
// where they lie; those places move with the texts before them.
TEST_F(DocBaseTest, PicturesAndLinksInTheBodyMoveWithTheTexts) {
  const std::vector<fs::path> records = test::MakeRecords(
      dir_.path(), "word/payslip.docx", {"姓名", "部门", "基本"},
      {{"李四", "技术部", "5037"}, {"欧阳娜娜", "人事部", "12000"}, {"赵", "部", "800"}, {"王五", "销售部", "5037"}});
  const auto picture = [](int id, bool anchored) {
    const std::string graphic =
        "<wp:extent cx=\"540000\" cy=\"540000\"/>" + std::string(anchored ? "<wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:wrapNone/>" : "") +
        "<wp:docPr id=\"" + std::to_string(id) + "\" name=\"图" + std::to_string(id) + "\"/><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic><pic:nvPicPr><pic:cNvPr id=\"" +
        std::to_string(id) + "\" name=\"图\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"rId10\"/>"
        "<a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext "
        "cx=\"540000\" cy=\"540000\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
        "</a:graphicData></a:graphic>";
    if (!anchored) return "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">" + graphic + "</wp:inline></w:drawing></w:r>";
    return "<w:r><w:drawing><wp:anchor distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\" simplePos=\"0\" relativeHeight=\"2\" "
           "behindDoc=\"1\" locked=\"0\" layoutInCell=\"1\" allowOverlap=\"1\"><wp:simplePos x=\"0\" y=\"0\"/>"
           "<wp:positionH relativeFrom=\"column\"><wp:posOffset>2000000</wp:posOffset></wp:positionH><wp:positionV "
           "relativeFrom=\"paragraph\"><wp:posOffset>0</wp:posOffset></wp:positionV>" + graphic + "</wp:anchor></w:drawing></w:r>";
  };
  test::RewriteMain(records, [&](std::string& xml) {
    const std::size_t first = xml.find("</w:p>");
    ASSERT_NE(first, std::string::npos);
    xml.insert(first, picture(101, false) + "<w:hyperlink r:id=\"rIdSite\"><w:r><w:t>公司网站</w:t></w:r></w:hyperlink>");
    const std::size_t last = xml.rfind("</w:p>", xml.find("<w:sectPr"));
    ASSERT_NE(last, std::string::npos);
    xml.insert(last, picture(102, true));
  });
  test::RewritePart(records, "word/_rels/document.xml.rels", [](std::string& xml) {
    xml.insert(xml.find("</Relationships>"),
               "<Relationship Id=\"rIdSite\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "hyperlink\" Target=\"https://example.com/\" TargetMode=\"External\"/>");
  });
  EXPECT_EQ(ExpectWrittenAsOwn(records), 3);
}

// The bundled example: a .doc template, read by the offices, its records made by our engine.
TEST_F(DocBaseTest, TheBundledExamplesRecordsWrittenFromAnotherAreTheOfficesOwn) {
  const std::vector<fs::path> records = test::MakeRecords(
      dir_.path(), "../../示例/模板.doc", {"姓名", "部门", "基本工资"},
      {{"刘洋", "研发部", "9800"}, {"吴婷", "市场部", "8600"}, {"欧阳𠮷", "财务部", "12000"},
       {"司马" + std::string(1500, 'y'), "总经理办公室（北京）", "1234567.89"}});
  EXPECT_EQ(ExpectWrittenAsOwn(records), 3);
}

// What the office writes otherwise than as plain text in runs, or what may differ between records
// beyond it: a record of another template, a value with a control character, a word count in the
// body. Nothing is written from the base.
TEST_F(DocBaseTest, WhatTheOfficeWritesOtherwiseIsRefused) {
  std::vector<fs::path> records = test::MakeRecords(dir_.path(), "output/通知.docx", {"张三", "销售部"},
                                                    {{"李四", "技术部"}, {"王五", "财务部"}});
  const std::string base_doc = test::ReadFile(OwnDoc(records[0]));
  const DocxTexts texts = ReadDocxTexts(records[0].string());
  std::string why;
  const std::shared_ptr<const DocBase> base = DocBase::Make(base_doc, texts, &why);
  ASSERT_TRUE(base) << why;

  DocxTexts other = ReadDocxTexts(records[1].string());
  other.frame ^= 1;
  EXPECT_FALSE(base->Write(other));
  DocxTexts control = ReadDocxTexts(records[1].string());
  ASSERT_FALSE(control.spans[1].empty());
  control.paragraphs[1].insert(control.spans[1][0].begin, 1, u'\x01');
  for (auto& s : control.spans[1]) {
    if (s.begin > control.spans[1][0].begin) ++s.begin;
    ++s.end;
  }
  EXPECT_FALSE(base->Write(control));

  // A word count in the body: its result depends on each record's text.
  test::RewriteMain({records[0]}, [](std::string& xml) {
    const std::size_t at = xml.find("</w:p>");
    ASSERT_NE(at, std::string::npos);
    xml.insert(at, "<w:fldSimple w:instr=\" NUMWORDS \"><w:r><w:t>12</w:t></w:r></w:fldSimple>");
  });
  EXPECT_FALSE(DocBase::Make(test::ReadFile(OwnDoc(records[0])), ReadDocxTexts(records[0].string()), &why));
  EXPECT_NE(why.find("field"), std::string::npos) << why;
  EXPECT_FALSE(DocBase::Make(base_doc, ReadDocxTexts(records[0].string()), &why));
}

// The template corpus (bodies, content controls, drawings, lists, notes, tables; each as .docx
// and as the .doc the office made of it): whatever is written from a base is the office's own
// result; what is not is refused.
TEST_F(DocBaseTest, TheCorpusIsWrittenAsTheOfficesOwnOrRefused) {
  int written = 0;
  for (const char* name : {"bodies", "controls", "drawings", "lists", "notes", "tables"}) {
    for (const char* ext : {".docx", ".doc"}) {
      SCOPED_TRACE(std::string(name) + ext);
      test::ScratchDir dir;
      const std::vector<fs::path> records = test::MakeRecords(
          dir.path(), std::string("corpus/") + name + ext, {"姓名", "编号", "部门", "金额"},
          {{"张三", "A001", "销售部", "100"}, {"欧阳娜娜", "B0002", "技术研发部", "200.5"}, {"李", "C3", "部", "3000000"}});
      std::vector<std::size_t> all(records.size());
      std::iota(all.begin(), all.end(), 0);
      written += ExpectWrittenAsOwn(records, all, /*base_may_fail=*/true);
    }
  }
  // Lists and sections (the .doc form of the template with two bodies) are written; text boxes,
  // notes, form fields and nested tables are not.
  EXPECT_GE(written, 6);
}

// Through the pool: the first record's .doc is made by the office from a fresh load (although
// the office keeps that template loaded from an earlier PDF), the others are written from it,
// and each is what the office makes of it alone.
TEST_F(DocBaseTest, ThePoolWritesTheRecordsAfterTheFirstWithoutTheOffice) {
  const std::vector<fs::path> records = test::MakeRecords(
      dir_.path(), "word/payslip.docx", {"姓名", "部门"},
      {{"李四", "技术部"}, {"王五", "人事部"}, {"欧阳娜娜", "财务部"}, {"赵", "销售部"}, {"钱七", "部"}});
  test::ScratchDir profiles;
  OfficePool pool({.offices = 1, .profile_root = profiles.path().string()});
  fs::create_directories(dir_ / "out");
  fs::copy_file(records[0], dir_ / "snapshot.docx");
  ASSERT_TRUE(pool.Submit({(dir_ / "snapshot.docx").string(), true, {{(dir_ / "out" / "记录0.pdf").string(), StoreFormat::kPdf}},
                           "记录0"})
                  .get()
                  .ok);
  std::vector<std::shared_future<ConversionOutcome>> outcomes;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string target = (dir_ / "out" / ("记录" + std::to_string(i) + ".doc")).string();
    outcomes.push_back(pool.Submit({records[i].string(), false, {{target, StoreFormat::kDoc}}, "记录"}));
    outcomes.back().wait();  // one after the other: the first makes the base
  }
  for (auto& o : outcomes) ASSERT_TRUE(o.get().ok) << o.get().error;
  EXPECT_EQ(pool.from_base(), static_cast<int>(records.size()) - 1);
  EXPECT_EQ(pool.loads(), 2);
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(Unexplained(test::ReadFile(OwnDoc(records[i])), test::ReadFile(dir_ / "out" / ("记录" + std::to_string(i) + ".doc"))), "")
        << i;
  }
}

// A compound file written again with one stream grown past the small-stream limit and one
// shrunk: every stream reads back as given, the others as they were.
TEST(CompoundFileTest, StreamsWrittenAgainReadBackAsGiven) {
  test::ScratchDir dir;
  const std::string xls = test::ReadFile(test::DataFile("sheet/date1904.xls"));
  const CompoundFile file(xls, "basic.xls");
  ASSERT_TRUE(file.HasStream("Workbook"));
  const std::string big(70000, 'b');
  const std::optional<std::string> again = file.WithStreams({{"Workbook", big}});
  ASSERT_TRUE(again);
  const CompoundFile reread(*again, "again");
  EXPECT_EQ(reread.ReadStream("Workbook"), big);
  EXPECT_EQ(reread.ReadStream("\x05" "SummaryInformation"), file.ReadStream("\x05" "SummaryInformation"));
  const std::optional<std::string> small = reread.WithStreams({{"Workbook", "tiny"}});
  ASSERT_TRUE(small);
  EXPECT_EQ(CompoundFile(*small, "small").ReadStream("Workbook"), "tiny");
}

// A damaged compound file is called what it should have been: a .doc is no "Excel file".
TEST(CompoundFileTest, ADamagedFileIsNamedForWhatItShouldHaveBeen) {
  const std::string doc = test::ReadFile(test::DataFile("output/通知.doc")).substr(0, 600);
  const auto error_of = [&](auto make) {
    try {
      make();
    } catch (const app::RuntimeError& e) {
      return e.text();
    }
    return std::string("accepted");
  };
  const std::string as_doc = error_of([&] { CompoundFile(doc, "通知.doc", "Word文件"); });
  EXPECT_NE(as_doc.find("不是有效的Word文件"), std::string::npos) << as_doc;
  const std::string neutral = error_of([&] { CompoundFile(doc, "x"); });
  EXPECT_NE(neutral.find("不是有效的Office文件"), std::string::npos) << neutral;
  EXPECT_EQ(neutral.find("Excel"), std::string::npos);
}

}  // namespace
}  // namespace vexlo::engine
