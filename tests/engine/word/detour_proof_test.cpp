// The proof that a .doc template comes through its .docx unchanged: the repairs of what the
// office's reading of the .docx loses (a table of contents named in another language, an empty
// paragraph that ends a section), how differences are told, and the verdicts on real templates, kept in the cache so that a template is proven once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "merge/pre_write_check.h"
#include "office/engine/engine_services.h"
#include "office/engine/register_servers.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/word/converted_templates.h"
#include "office/engine/word/detour_proof.h"
#include "office/engine/word/detour_repair.h"
#include "office/engine/word/doc_conversion.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::ReadFile;
using Way = DetourVerdict::Way;

const std::string kTocOpen =
    "<w:sdt><w:sdtPr><w:docPartObj><w:docPartGallery w:val=\"Table of Contents\"/></w:docPartObj></w:sdtPr>"
    "<w:sdtContent><w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">";
const std::string kTocClose =
    "</w:instrText></w:r><w:r><w:t>第一章\t1</w:t></w:r></w:p></w:sdtContent></w:sdt>";

TEST(DetourRepairTest, TablesOfContentsNamedInAnotherLanguageAreNamedToc) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {" INHALTSVERZEICHNIS \\o &quot;1-3&quot; \\h   ", " TOC \\o &quot;1-3&quot; \\h   "},
      {" TABLE DES MATIÈRES \\o", " TOC \\o"},
      {"Inhaltsverzeichnis", "TOC"},
  };
  for (const auto& [instruction, repaired] : cases) {
    SCOPED_TRACE(instruction);
    EXPECT_EQ(RepairDetourXml("<w:body>" + kTocOpen + instruction + kTocClose + "</w:body>"),
              "<w:body>" + kTocOpen + repaired + kTocClose + "</w:body>");
  }
  // A TOC already named so, and a field of another block, stay as they are.
  EXPECT_EQ(RepairDetourXml(kTocOpen + " toc \\o" + kTocClose), std::nullopt);
  std::string other = kTocOpen + " INDEX \\e" + kTocClose;
  other.replace(other.find("Table of Contents"), 17, "Bibliographies");
  EXPECT_EQ(RepairDetourXml(other), std::nullopt);
}

TEST(DetourRepairTest, AnEmptyParagraphEndingASectionGetsAPlainOneBeforeIt) {
  const std::string sect = "<w:sectPr><w:pgSz w:w=\"11906\"/></w:sectPr>";
  const std::string empty = "<w:p><w:pPr>" + sect + "<w:jc w:val=\"left\"/><w:rPr></w:rPr></w:pPr>"
                            "<w:r><w:rPr></w:rPr></w:r><w:bookmarkEnd w:id=\"0\"/></w:p>";
  EXPECT_EQ(RepairDetourXml("<w:body>" + empty + "</w:body>"),
            "<w:body><w:p><w:pPr><w:jc w:val=\"left\"/><w:rPr></w:rPr></w:pPr></w:p>" + empty + "</w:body>");
  // A paragraph with text, a tab or a break ending its section is shown by the office as it is.
  for (const char* content : {"<w:r><w:t>第一节</w:t></w:r>", "<w:r><w:tab/></w:r>", "<w:r><w:br w:type=\"page\"/></w:r>"}) {
    EXPECT_EQ(RepairDetourXml("<w:p><w:pPr>" + sect + "</w:pPr>" + content + "</w:p>"), std::nullopt) << content;
  }
  EXPECT_EQ(RepairDetourXml("<w:p><w:pPr><w:jc w:val=\"left\"/></w:pPr></w:p>"), std::nullopt);
}

TEST(DetourVerdictTest, DifferencesNameTheFirstParagraphThenCountsThenPages) {
  const std::vector<std::string> a = TextParagraphs("\xEF\xBB\xBF标题\n\n正文\n"), b = {"标题", "正文"};
  EXPECT_EQ(a, (std::vector<std::string>{"标题", "", "正文"}));
  EXPECT_EQ(DescribeDifference(a, 2, a, 2), "");
  EXPECT_EQ(DescribeDifference(a, 2, b, 2), "第 2 段原为“”，转换后为“正文”");
  EXPECT_EQ(DescribeDifference(b, 2, {"标题"}, 2), "原有 2 段，转换后 1 段");
  EXPECT_EQ(DescribeDifference(a, 2, a, 3), "原有 2 页，转换后 3 页");
  for (const DetourVerdict& v : {DetourVerdict{}, DetourVerdict{Way::kRepaired, "第 3 段原为“x”"},
                                 DetourVerdict{Way::kDiffers, "原有 2 页，转换后 3 页"}}) {
    const std::optional<DetourVerdict> back = DetourVerdict::Parse(v.Serialize());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->way, v.way);
    EXPECT_EQ(back->why, v.why);
  }
  EXPECT_EQ(DetourVerdict::Parse(""), std::nullopt);
}

// Each fixture is proven once: an ordinary template passes as converted; the table of contents
// and the empty paragraph before a section break are lost on the way and repaired, and the
// cached .docx is the repaired one. A later preparation (a new session) reads the verdict kept in
// the cache and loads nothing; without the verdict the kept (repaired) .docx is proven again and
// passes.
TEST(DetourProofTest, VerdictsOnRealTemplatesAreProvenOnceAndKept) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  test::ScratchDir cache;
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  struct Case {
    const char* fixture;
    Way way;
    const char* lost;  // in what the proof found first
    const char* kept;  // in the cached .docx
  };
  const std::vector<Case> cases = {
      {"word/plain_two_pages.doc", Way::kSame, "", "实发工资"},
      {"word/toc_localised.doc", Way::kRepaired, "第一章 概况\t1", " TOC \\o"},
      {"word/section_gap.doc", Way::kRepaired, "原为“”", "第二节"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const fs::path doc = cache.path() / fs::path(c.fixture).filename();
    fs::copy_file(DataFile(c.fixture), doc);
    const TemplateConversion made = test::Engine().conversions().PrepareTemplateAsync(doc.string()).get();
    ASSERT_TRUE(made.error.empty()) << made.error;
    ASSERT_TRUE(made.detour);
    EXPECT_EQ(made.detour->way, c.way) << made.detour->why;
    EXPECT_NE(made.detour->why.find(c.lost), std::string::npos) << made.detour->why;
    const std::string xml = ZipReader::FromBytes(ReadFile(made.docx_path), "docx")->Read("word/document.xml").value_or("");
    EXPECT_NE(xml.find(c.kept), std::string::npos);
    EXPECT_EQ(ConvertedTemplates::ReadNote(made.docx_path), made.detour->Serialize());

    test::Engine().conversions().ForgetTemplates();  // as a new session finds it
    const int loads = test::Engine().pool().loads();
    const TemplateConversion again = test::Engine().conversions().PrepareTemplateAsync(doc.string()).get();
    EXPECT_EQ(again.docx_path, made.docx_path);
    ASSERT_TRUE(again.detour);
    EXPECT_EQ(again.detour->way, c.way);
    EXPECT_EQ(test::Engine().pool().loads(), loads);

    // An entry whose verdict went (kept by an older version) is proven again, and kept so.
    fs::remove(fs::path(made.docx_path).replace_extension(".note"));
    test::Engine().conversions().ForgetTemplates();
    const TemplateConversion proven = test::Engine().conversions().PrepareTemplateAsync(doc.string()).get();
    ASSERT_TRUE(proven.detour);
    EXPECT_EQ(proven.detour->way, Way::kSame) << proven.detour->why;
    EXPECT_GT(test::Engine().pool().loads(), loads);
    EXPECT_TRUE(ConvertedTemplates::ReadNote(proven.docx_path));
  }
  test::Engine().pool().Shutdown();
  ::unsetenv("XDG_CACHE_HOME");
}

// A template whose conversion still loses something after the repairs (here a verdict put in
// place of the proof's) is named by the check before writing, with what it loses; one that loses
// nothing, or a .docx, is not.
TEST(DetourProofTest, ALossTheRepairsCannotMendIsToldBeforeWriting) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  RegisterEmbeddedServers(test::Engine());
  test::ScratchDir dir;
  const fs::path doc = dir.path() / "通知.doc";
  fs::copy_file(DataFile("word/lo_notice.doc"), doc);
  const auto finding = [](const fs::path& path) {
    office::oleobject word;
    EXPECT_EQ(word.start_new("word.application"), 0);
    word.get("documents").call("open", {office::Value(path.string())});
    std::optional<std::string> found = merge::ConversionLossFinding(word);
    word.get("application").call("quit");
    return found;
  };
  for (const DetourVerdict& verdict : {DetourVerdict{}, DetourVerdict{Way::kDiffers, "原有 3 页，转换后 2 页"}}) {
    TemplateConversion made;
    made.docx = ReadFile(DataFile("word/lo_notice.docx"));
    made.detour = verdict;
    std::promise<TemplateConversion> ready;
    ready.set_value(made);
    test::Engine().conversions().KeepTemplate(ContentDigest(ReadFile(doc)),
                                              ready.get_future().share());
    const std::optional<std::string> told = finding(doc);
    if (verdict.way == Way::kSame) {
      EXPECT_EQ(told, std::nullopt);
    } else {
      ASSERT_TRUE(told);
      EXPECT_NE(told->find("模板经 LibreOffice 转换后与原文件不一致（原有 3 页，转换后 2 页）"), std::string::npos) << *told;
    }
  }
  EXPECT_EQ(finding(DataFile("word/lo_notice.docx")), std::nullopt);
  test::Engine().pool().Shutdown();
}

}  // namespace
}  // namespace vexlo::engine::word
