// The oracle on a sample of its cases, against the real LibreOffice: every output of every fast
// path the pool takes for these templates is what the office's fresh load of the record gives
// (bench/path_oracle runs the whole set). And the page comparison itself.
#include <gtest/gtest.h>

#include <memory>

#include "office/engine/soffice/office_pool.h"
#include "tests/engine/oracle/oracle_cases.h"
#include "tests/engine/oracle/page_compare.h"
#include "tests/engine/oracle/path_oracle.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::oracle {
namespace {

class PathOracleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new test::ScratchDir;
    oracle_ = new PathOracle(work_->path());
  }
  static void TearDownTestSuite() {
    delete oracle_;
    delete work_;
  }

  // Checks `c` and expects every path equal to the fresh loads; returns the verdict.
  CaseVerdict ExpectEqual(const OracleCase& c) {
    const CaseVerdict verdict = oracle_->Check(c);
    EXPECT_TRUE(verdict.Equal()) << verdict.Report();
    return verdict;
  }

  static test::ScratchDir* work_;
  static PathOracle* oracle_;
  test::ScriptedHost host_;
};

test::ScratchDir* PathOracleTest::work_ = nullptr;
PathOracle* PathOracleTest::oracle_ = nullptr;

const std::filesystem::path kSource = VEXLO_SOURCE_DIR;

// Bold, coloured and underlined values beside plain text and beside each other, emptied in the
// first record and then filled, far longer and shorter, of other scripts: a kept document once
// gave later records the formatting of the earlier one's runs. The records it cannot prove
// (an empty value on either side) are loaded; the others are changed in place.
TEST_F(PathOracleTest, FormattedValuesComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const CaseVerdict verdict = ExpectEqual(GeneratedCase(work_->path() / "templates", "formats"));
  EXPECT_GE(verdict.paths.at(FastPath::kKeptPdf).served, 1) << verdict.Report();
  EXPECT_GE(verdict.paths.at(FastPath::kJoinedPdf).served, 2) << verdict.Report();
}

// Headings numbered by their style, a list through a paragraph style, two sections, pictures:
// their PDFs are cut from joined exports, outlines and all, whether the first section shows no
// header (the joined records' first sections name an empty one) or the header of both (and a
// page-numbered footer); so are those of a later section's own first page, of headers and
// footers that hold values, of the pay slip whose titles are headings, and of footnotes (each
// record's numbered from 1, with the line above them, in one section or two).
TEST_F(PathOracleTest, StructuredTemplatesComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  for (const OracleCase& c : {GeneratedCase(work_->path() / "templates", "structure"),
                              GeneratedCase(work_->path() / "templates", "sections"),
                              GeneratedCase(work_->path() / "templates", "first-page"),
                              GeneratedCase(work_->path() / "templates", "header-values"),
                              GeneratedCase(work_->path() / "templates", "footnotes"),
                              GeneratedCase(work_->path() / "templates", "footnote-sections"), HeadingPaySlipCase(kSource)}) {
    const CaseVerdict verdict = ExpectEqual(c);
    EXPECT_TRUE(verdict.Serves(FastPath::kJoinedPdf)) << verdict.Report();
  }
}

// Page counts ("第 X 页 共 Y 页" in the footer, the count and the section's count in the text and a
// table cell, the count in roman and Chinese numerals, pages numbered in Chinese by the section,
// two sections a record) and dates (the clock's, the document's made, saved and printed, in
// several formats) in records of one to three pages: their PDFs are cut from joined exports, each
// record showing its own page count, in a .docx and a .doc template alike.
TEST_F(PathOracleTest, PageCountsAndDatesComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const std::filesystem::path made = work_->path() / "templates";
  std::vector<OracleCase> cases;
  for (const char* name : {"page-count", "page-count-sections", "page-count-formats", "page-count-chinese", "dates"}) {
    cases.push_back(GeneratedCase(made, name));
  }
  cases.push_back(NoticeCase(kSource));
  {
    engine::OfficePool pool({.offices = 1, .profile_root = (work_->path() / "profiles-doc").string()});
    cases.push_back(AsDocTemplate(NoticeCase(kSource), pool, work_->path() / "docs"));
    for (const char* name : {"page-count-sections", "page-count-formats", "dates"}) {
      cases.push_back(AsDocTemplate(GeneratedCase(made, name), pool, work_->path() / "docs"));
    }
  }
  for (const OracleCase& c : cases) {
    const CaseVerdict verdict = ExpectEqual(c);
    EXPECT_TRUE(verdict.Serves(FastPath::kJoinedPdf)) << verdict.Report();
  }
}

// Records of one to three pages that start with a table, "第 X 页 共 Y 页" in the footer: where
// one record ends is read from where the next begins (no character leads back out of a table's
// first cell), past the blank page the office puts before a record that starts on an odd page.
// Their PDFs are cut from a joined export, each showing its own count. Through a .doc, which
// keeps no page break before such a table, they are made alone: joined, records of more than a
// page ran on into each other and their PDFs showed the text of others.
TEST_F(PathOracleTest, RecordsStartingWithATableShowTheirOwnPages) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const std::filesystem::path made = work_->path() / "templates";
  const CaseVerdict verdict = ExpectEqual(GeneratedCase(made, "page-count-table-first"));
  EXPECT_TRUE(verdict.Serves(FastPath::kJoinedPdf)) << verdict.Report();
  engine::OfficePool pool({.offices = 1, .profile_root = (work_->path() / "profiles-doc").string()});
  const CaseVerdict doc = ExpectEqual(AsDocTemplate(GeneratedCase(made, "table-first"), pool, work_->path() / "docs"));
  EXPECT_EQ(doc.paths.at(FastPath::kJoinedPdf).served, 0) << doc.Report();
}

// References to a bookmark's text and page, and captions of two sequences, in records of one to
// three pages: each record's point into itself and number from 1, joined as alone. Through a
// .doc template the references (which the office stores as links) are joined too; the captions,
// whose restarts the .doc loses, are made alone.
TEST_F(PathOracleTest, ReferencesAndCaptionsComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const std::filesystem::path made = work_->path() / "templates";
  const OracleCase captions = GeneratedCase(made, "references");
  engine::OfficePool pool({.offices = 1, .profile_root = (work_->path() / "profiles-doc").string()});
  for (const OracleCase& c : {captions, AsDocTemplate(GeneratedCase(made, "bookmark-references"), pool, work_->path() / "docs")}) {
    const CaseVerdict verdict = ExpectEqual(c);
    EXPECT_TRUE(verdict.Serves(FastPath::kJoinedPdf)) << verdict.Report();
  }
  ExpectEqual(AsDocTemplate(captions, pool, work_->path() / "docs"));
}

// A table of contents (each entry a link to the record's own heading with its page number, also
// in a document asking for its fields updated on opening, one holding no entries yet, and as the
// corpus writes it, in a content control) and text form fields, in records of one to three pages, as .docx and .doc
// templates: their PDFs are cut from joined exports, every link opening the same page and place
// as in the record's own PDF.
TEST_F(PathOracleTest, ContentsAndFormFieldsComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const std::filesystem::path made = work_->path() / "templates";
  std::vector<OracleCase> cases = {GeneratedCase(made, "toc"), GeneratedCase(made, "toc-update"), GeneratedCase(made, "toc-empty"),
                                   GeneratedCase(made, "form-text")};
  for (const OracleCase& c : CorpusCases(kSource)) {
    if (c.name == "语料:toc.docx") cases.push_back(c);
  }
  {
    engine::OfficePool pool({.offices = 1, .profile_root = (work_->path() / "profiles-doc").string()});
    for (const char* name : {"toc", "form-text"}) cases.push_back(AsDocTemplate(GeneratedCase(made, name), pool, work_->path() / "docs"));
  }
  for (const OracleCase& c : cases) {
    const CaseVerdict verdict = ExpectEqual(c);
    EXPECT_TRUE(verdict.Serves(FastPath::kJoinedPdf)) << verdict.Report();
  }
}

// Endnotes, which the office lays out after the whole document's text: records holding them are
// made one by one, as alone.
TEST_F(PathOracleTest, RecordsWithEndnotesAreMadeAloneAsTheirOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const CaseVerdict verdict = ExpectEqual(GeneratedCase(work_->path() / "templates", "endnotes"));
  EXPECT_EQ(verdict.paths.at(FastPath::kJoinedPdf).served, 0) << verdict.Report();
}

// The bundled example (.doc: its PDFs, joined too, show each record's .doc), a corpus template
// with lists, and one with notes (whose endnotes take a page of their own that the view's cursor
// never reaches: its PDFs once failed their page count check), as .docx.
TEST_F(PathOracleTest, TheExampleAndCorpusTemplatesComeOutAsInTheRecordsOwnFiles) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  const CaseVerdict example = ExpectEqual(ExampleCase(kSource));
  EXPECT_TRUE(example.Serves(FastPath::kKeptPdf)) << example.Report();
  EXPECT_TRUE(example.Serves(FastPath::kDocFromBase)) << example.Report();
  // Its PDFs show each record's .doc: cut from a joined export stored as .doc and loaded again.
  EXPECT_TRUE(example.Serves(FastPath::kJoinedPdf)) << example.Report();
  for (const OracleCase& c : CorpusCases(kSource)) {
    if (c.name == "语料:notes.docx") ExpectEqual(c);
    // Lists through styles, and list instances that number on from each other.
    if (c.name == "语料:lists.docx") EXPECT_TRUE(ExpectEqual(c).Serves(FastPath::kJoinedPdf));
  }
}

PageImage Image(int width, int height, char fill) {
  return {width, height, std::string(static_cast<std::size_t>(width * height * 3), fill)};
}

// Smoothing noise within the tolerance is no difference; one pixel beyond it is; pages of
// another size never compare equal.
TEST(PageCompareTest, PixelsDifferOnlyBeyondTheTolerance) {
  const PageImage white = Image(4, 3, '\xFF');
  PageImage noisy = white;
  noisy.rgb[5] = static_cast<char>(0xFF - kChannelTolerance);
  EXPECT_EQ(DifferingPixels(white, noisy), 0);
  noisy.rgb[7] = static_cast<char>(0xFF - kChannelTolerance - 1);
  EXPECT_EQ(DifferingPixels(white, noisy), 1);
  EXPECT_EQ(DifferingPixels(white, Image(3, 4, '\xFF')), -1);
  const PageImage read = ReadPpm("P6\n# drawn\n2 1\n255\n" + std::string("\x01\x02\x03\x04\x05\x06", 6));
  EXPECT_EQ(read.width, 2);
  EXPECT_EQ(read.rgb, std::string("\x01\x02\x03\x04\x05\x06", 6));
  EXPECT_EQ(ReadPpm("P6\n2 1\n255\n\x01").width, 0);  // cut short
}

}  // namespace
}  // namespace vexlo::oracle
