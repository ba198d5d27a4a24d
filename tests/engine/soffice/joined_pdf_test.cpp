// PDFs made many records at a time against the real LibreOffice: every record's PDF, cut from
// one joined export, must look exactly as the record's own export, page by page, pixel for
// pixel, and its fonts must hold nothing of the other records; what cannot be joined, or whose
// joined export fails, is still made, alone.
#include <gtest/gtest.h>
#include <signal.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "merge/document_generation.h"
#include "office/engine/package/pdf_shown_codes.h"
#include "office/engine/package/pdf_unicode_map.h"
#include "office/engine/package/truetype_font.h"
#include "office/engine/package/type1_font.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/office_pool.h"
#include "office/oleobject.h"
#include "tests/engine/soffice/record_files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every page of a PDF drawn as a PNG, in page order.
std::vector<std::string> PageImages(const fs::path& pdf) {
  const fs::path folder = pdf.string() + ".pages";
  fs::create_directories(folder);
  const std::string cmd = "pdftoppm -r 40 -png '" + pdf.string() + "' '" + (folder / "p").string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<std::string> images;
  for (const fs::path& f : files) images.push_back(test::ReadFile(f));
  return images;
}

// The text of a PDF as pdftotext reads it through the fonts' character maps.
std::string PdfText(const std::string& pdf) {
  const std::string cmd = "pdftotext -enc UTF-8 '" + pdf + "' '" + pdf + ".txt'";
  return std::system(cmd.c_str()) == 0 ? test::ReadFile(pdf + ".txt") : "(pdftotext failed)";
}

// The PDF reads without recovery or warning: every object, every stream decoded.
void ExpectSoundPdf(const std::string& path) {
  QPDF pdf;
  pdf.setAttemptRecovery(false);
  ASSERT_NO_THROW(pdf.processFile(path.c_str())) << path;
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setDecodeLevel(qpdf_dl_generalized);
  EXPECT_NO_THROW(writer.write()) << path;
  EXPECT_FALSE(pdf.anyWarnings()) << path;
}

// The outline of a PDF, one "depth title page" a entry, in order.
std::vector<std::string> OutlineTitles(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  std::map<QPDFObjGen, int> pages;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    pages.emplace(page.getObjectHandle().getObjGen(), static_cast<int>(pages.size()));
  }
  std::vector<std::string> entries;
  std::function<void(std::vector<QPDFOutlineObjectHelper>, int)> list = [&](auto items, int depth) {
    for (QPDFOutlineObjectHelper& item : items) {
      const auto page = pages.find(item.getDestPage().getObjGen());
      entries.push_back(std::to_string(depth) + " " + item.getTitle() + " " +
                        (page == pages.end() ? "?" : std::to_string(page->second)));
      list(item.getKids(), depth + 1);
    }
  };
  QPDFOutlineDocumentHelper outline(pdf);
  list(outline.getTopLevelOutlines(), 0);
  return entries;
}

std::string StreamText(QPDFObjectHandle stream) {
  const std::shared_ptr<Buffer> data = stream.getStreamData();
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

Type1Lengths Type1LengthsOf(QPDFObjectHandle file) {
  return {static_cast<std::size_t>(file.getDict().getKey("/Length1").getIntValue()),
          static_cast<std::size_t>(file.getDict().getKey("/Length2").getIntValue())};
}

// The characters (as their character maps give them) and the glyph names of every font a PDF
// embeds.
std::set<std::string> FontContents(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  std::set<std::string> contents;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle fonts = page.getAttribute("/Resources", false).getKey("/Font");
    if (!fonts.isDictionary()) continue;
    for (auto& [name, font] : fonts.ditems()) {
      if (QPDFObjectHandle map = font.getKey("/ToUnicode"); map.isStream()) {
        for (const auto& [code, text] : ReadUnicodeMap(StreamText(map)).value_or(UnicodeMap{})) {
          contents.insert("U+" + text);
        }
      }
      if (QPDFObjectHandle tt = font.getKey("/FontDescriptor").getKey("/FontFile2"); tt.isStream()) {
        const std::optional<TrueTypeContents> program = ReadTrueType(StreamText(tt));
        EXPECT_TRUE(program.has_value()) << path;
        if (program) {
          contents.insert("TrueType outlines: " +
                          std::to_string(std::count(program->outlined.begin(), program->outlined.end(), true)));
        }
      }
      QPDFObjectHandle file = font.getKey("/FontDescriptor").getKey("/FontFile");
      if (!file.isStream()) continue;
      const std::optional<Type1Contents> program = ReadType1(StreamText(file), Type1LengthsOf(file));
      EXPECT_TRUE(program.has_value()) << path;
      if (program) contents.insert(program->glyphs.begin(), program->glyphs.end());
    }
  }
  return contents;
}

// No font of a PDF holds a code, width, map entry or glyph beyond the codes its pages show.
void ExpectFontsHoldOnlyWhatPagesShow(const std::string& path) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  const ShownCodes shown = ReadShownCodes(pdf);
  ASSERT_TRUE(shown.status.ok()) << path << ": " << shown.status.message();
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle fonts = page.getAttribute("/Resources", false).getKey("/Font");
    if (!fonts.isDictionary()) continue;
    for (auto& [name, font] : fonts.ditems()) {
      SCOPED_TRACE(path + " " + name);
      EXPECT_TRUE(shown.selected.contains(font.getObjGen())) << "a font its pages never set";
      const auto codes = shown.codes.find(font.getObjGen());
      const std::bitset<256> used = codes == shown.codes.end() ? std::bitset<256>() : codes->second;
      const auto is_shown = [&](long long c) { return c >= 0 && c < 256 && used.test(static_cast<std::size_t>(c)); };
      const long long first = font.getKey("/FirstChar").getIntValue();
      // The range holds the codes shown and no other, but for the office's own .notdef at 0.
      const long long last = font.getKey("/LastChar").getIntValue();
      EXPECT_TRUE(used.none() || is_shown(last)) << "code range";
      for (long long c = first; c <= last; ++c) EXPECT_TRUE(c == 0 || is_shown(c)) << "code " << c << " in range";
      QPDFObjectHandle widths = font.getKey("/Widths");
      for (int i = 0; widths.isArray() && i < widths.getArrayNItems(); ++i) {
        EXPECT_TRUE(widths.getArrayItem(i).getNumericValue() == 0 || is_shown(first + i)) << "width of " << first + i;
      }
      if (QPDFObjectHandle map = font.getKey("/ToUnicode"); map.isStream()) {
        for (const auto& [code, text] : ReadUnicodeMap(StreamText(map)).value_or(UnicodeMap{})) {
          EXPECT_TRUE(is_shown(code)) << "character map entry " << code;
        }
      }
      if (QPDFObjectHandle tt = font.getKey("/FontDescriptor").getKey("/FontFile2"); tt.isStream()) {
        const std::optional<TrueTypeContents> program = ReadTrueType(StreamText(tt));
        ASSERT_TRUE(program.has_value());
        for (const auto& [code, glyph] : program->codes) EXPECT_TRUE(is_shown(code)) << "program's map: " << code;
        for (std::size_t g = 0; g < program->outlined.size(); ++g) {
          const bool held = program->outlined[g] || program->advances[g] != 0;
          EXPECT_TRUE(!held || program->needed.contains(static_cast<std::uint16_t>(g))) << "glyph " << g;
        }
        EXPECT_EQ(program->outlined.size(), program->needed.size()) << "empty glyph slots";
      }
      if (QPDFObjectHandle file = font.getKey("/FontDescriptor").getKey("/FontFile"); file.isStream()) {
        const std::optional<Type1Contents> program = ReadType1(StreamText(file), Type1LengthsOf(file));
        ASSERT_TRUE(program.has_value());
        std::set<std::string> names = {".notdef"};
        for (const auto& [code, glyph] : program->encoding) {
          EXPECT_TRUE(is_shown(code)) << "encoding of " << code;
          names.insert(glyph);
        }
        for (const std::string& glyph : program->glyphs) EXPECT_TRUE(names.contains(glyph)) << glyph;
        EXPECT_EQ(program->declared_glyphs, static_cast<int>(program->glyphs.size()));
      }
    }
  }
}

using test::RewriteMain;

class JoinedPdfTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    profiles_ = new test::ScratchDir;
    // Documents handed over together are joined when none follows for half the coalescing
    // time: long enough here that a loaded machine does not split them.
    pool_ = new OfficePool(
        {.offices = 1, .profile_root = profiles_->path().string(), .coalesce_wait = 600ms});
  }
  static void TearDownTestSuite() {
    delete pool_;
    delete profiles_;
  }

  std::vector<fs::path> MakeRecords(const std::string& fixture, const std::vector<std::string>& titles,
                                    const std::vector<std::vector<std::string>>& records) {
    return test::MakeRecords(dir_.path(), fixture, titles, records);
  }

  // Each record's PDF made alone (one after the other), then all of them handed over at once.
  void ExpectJoinedLikeAlone(const std::vector<fs::path>& records, bool joinable) {
    for (std::size_t i = 0; i < records.size(); ++i) {
      const ConversionOutcome own =
          pool_->Submit({records[i].string(), false, {{Pdf("own", i), StoreFormat::kPdf}}, "own"}).get();
      ASSERT_TRUE(own.ok()) << own.message();
    }
    const int joined_before = pool_->joined();
    for (const fs::path& record : records) {
      fs::copy_file(record, record.string() + ".snapshot", fs::copy_options::overwrite_existing);
    }
    std::vector<std::shared_future<ConversionOutcome>> outcomes;
    for (std::size_t i = 0; i < records.size(); ++i) {
      outcomes.push_back(pool_->Submit(
          {records[i].string() + ".snapshot", true, {{Pdf("joined", i), StoreFormat::kPdf}}, "记录"}));
    }
    for (auto& o : outcomes) ASSERT_TRUE(o.get().ok()) << o.get().message();
    // All of them joined as a rule; a machine loaded enough to hold a submission back longer
    // than the batch waits splits them, which must not change a page.
    if (joinable) {
      EXPECT_GE(pool_->joined() - joined_before, 2);
    } else {
      EXPECT_EQ(pool_->joined(), joined_before);
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::vector<std::string> own = PageImages(Pdf("own", i));
      ASSERT_FALSE(own.empty()) << i;
      EXPECT_EQ(outcomes[i].get().value(), static_cast<int>(own.size())) << i;
      EXPECT_EQ(PdfPageCount(Pdf("joined", i)), static_cast<int>(own.size())) << i;
      EXPECT_TRUE(PageImages(Pdf("joined", i)) == own) << "record " << i << " looks different";
      // Its fonts hold what its own PDF's fonts hold, nothing of the other records.
      EXPECT_EQ(FontContents(Pdf("joined", i)), FontContents(Pdf("own", i))) << i;
      ExpectFontsHoldOnlyWhatPagesShow(Pdf("joined", i));
      ExpectSoundPdf(Pdf("joined", i));
      EXPECT_EQ(PdfText(Pdf("joined", i)), PdfText(Pdf("own", i))) << i;
      EXPECT_FALSE(fs::exists(records[i].string() + ".snapshot"));
    }
  }

  // Two notices whose main text has `xml` put in before (or after) the first `marker`.
  std::vector<fs::path> NoticesWith(const std::string& marker, bool after, const std::string& xml) {
    std::vector<fs::path> records = MakeRecords("output/通知.docx", {"张三", "销售部"}, {{"李四", "技术部"}, {"王五", "财务部"}});
    RewriteMain(records, [&](std::string& main) {
      const std::size_t at = main.find(marker);
      ASSERT_NE(at, std::string::npos);
      main.insert(at + (after ? marker.size() : 0), xml);
    });
    return records;
  }

  std::string Pdf(const std::string& kind, std::size_t i) {
    fs::create_directories(dir_ / kind);
    return (dir_ / kind / ("记录" + std::to_string(i) + ".pdf")).string();
  }

  static test::ScratchDir* profiles_;
  static OfficePool* pool_;
  test::ScratchDir dir_;
  test::ScriptedHost host_;
};

test::ScratchDir* JoinedPdfTest::profiles_ = nullptr;
OfficePool* JoinedPdfTest::pool_ = nullptr;

// A two-page pay slip with a logo in the header, the page number in the footer, a numbered list
// and a table; one record long enough for a third page. Page numbers and list numbers must
// start again with every record.
TEST_F(JoinedPdfTest, PaySlipsCutFromOneExportLookExactlyAsTheirOwn) {
  const std::string long_name(900, 'x');
  ExpectJoinedLikeAlone(MakeRecords("word/payslip.docx", {"姓名", "部门"},
                                    {{"李四", "技术部"},
                                     {"欧阳" + long_name, "财务部"},
                                     {"王五", "人事部"},
                                     {"𠮷田", "销售部"}}),
                        true);
}

// A different first page: every record's first page goes without the header, its others have it.
TEST_F(JoinedPdfTest, ADifferentFirstPageComesFirstInEveryRecord) {
  const std::vector<fs::path> records = MakeRecords(
      "word/payslip.docx", {"姓名", "部门"}, {{"李四", "技术部"}, {"王五", "人事部"}, {"赵六", "财务部"}});
  RewriteMain(records, [](std::string& xml) {
    const std::size_t at = xml.find("<w:docGrid");
    ASSERT_NE(at, std::string::npos);
    xml.insert(at, "<w:titlePg/>");
  });
  ExpectJoinedLikeAlone(records, true);
}

// The bundled example: a .doc template, read by the offices, its records made by our engine.
TEST_F(JoinedPdfTest, TheBundledExampleCutFromOneExportLooksExactlyAsItsOwn) {
  ExpectJoinedLikeAlone(MakeRecords("../../示例/模板.doc", {"姓名", "部门", "基本工资"},
                                    {{"刘洋", "研发部", "9800"}, {"吴婷", "市场部", "8600"},
                                     {"欧阳𠮷", "财务部", "12000"}}),
                        true);
}

TEST_F(JoinedPdfTest, OnePageNoticesCutFromOneExportLookExactlyAsTheirOwn) {
  ExpectJoinedLikeAlone(MakeRecords("output/通知.docx", {"张三", "销售部"},
                                    {{"李四", "技术部"}, {"王五", "财务部"}, {"赵六", "人事部"}}),
                        true);
}

// A .doc template with PDFs: each record's .doc and PDF are handed over as two jobs of the same
// bytes. The .doc comes from the kept document, the PDFs from one joined export.
TEST_F(JoinedPdfTest, TheDocAndThePdfOfARecordGoTheirOwnWays) {
  const std::vector<fs::path> records = MakeRecords(
      "output/通知.docx", {"张三", "销售部"}, {{"李四", "技术部"}, {"王五", "财务部"}, {"赵六", "人事部"}});
  const int joined_before = pool_->joined();
  std::vector<std::shared_future<ConversionOutcome>> outcomes;
  for (std::size_t i = 0; i < records.size(); ++i) {
    for (const char* kind : {".doc", ".pdf"}) {
      const fs::path snapshot = records[i].string() + kind + ".snapshot";
      fs::copy_file(records[i], snapshot);
      const fs::path target = dir_ / "out" / ("记录" + std::to_string(i) + kind);
      fs::create_directories(target.parent_path());
      outcomes.push_back(pool_->Submit({snapshot.string(), true, {{target.string(), FormatOfPath(target.string())}},
                                        target.filename().string()}));
    }
  }
  for (auto& o : outcomes) ASSERT_TRUE(o.get().ok()) << o.get().message();
  EXPECT_GE(pool_->joined() - joined_before, 2);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const fs::path base = dir_ / "out" / ("记录" + std::to_string(i));
    EXPECT_EQ(test::ReadFile(base.string() + ".doc").substr(0, 4), "\xD0\xCF\x11\xE0") << i;
    EXPECT_EQ(PdfPageCount(base.string() + ".pdf"), 1) << i;
  }
}

// Latin text in a TrueType font: its outlines, too, are trimmed to each record's own.
TEST_F(JoinedPdfTest, TrueTypeFontsHoldOnlyTheirRecordsGlyphs) {
  const std::vector<fs::path> records = MakeRecords(
      "output/通知.docx", {"张三", "销售部"}, {{"Smith", "Sales"}, {"Zoe", "Quality"}, {"Björk", "R&D"}});
  RewriteMain(records, [](std::string& xml) {
    for (std::size_t at; (at = xml.find("w:ascii=\"宋体\" w:hAnsi=\"宋体\"")) != std::string::npos;) {
      xml.replace(at, std::string("w:ascii=\"宋体\" w:hAnsi=\"宋体\"").size(),
                  "w:ascii=\"DejaVu Sans\" w:hAnsi=\"DejaVu Sans\"");
    }
  });
  ExpectJoinedLikeAlone(records, true);
  bool truetype = false;
  for (const std::string& c : FontContents(Pdf("own", 0))) truetype |= c.rfind("TrueType", 0) == 0;
  EXPECT_TRUE(truetype) << "the records were not set in a TrueType font";
}

// Headings become an outline in the PDF: each record's PDF lists its own headings, at its own
// pages, as its own export does.
TEST_F(JoinedPdfTest, EveryRecordsOutlineListsItsOwnHeadings) {
  const std::vector<fs::path> records = NoticesWith("<w:pPr>", true, "<w:outlineLvl w:val=\"0\"/>");
  ExpectJoinedLikeAlone(records, true);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::vector<std::string> own = OutlineTitles(Pdf("own", i));
    EXPECT_EQ(own.size(), 1u) << i;
    EXPECT_EQ(OutlineTitles(Pdf("joined", i)), own) << i;
  }
}

// A word count would count every record's words once joined: every record is made alone.
TEST_F(JoinedPdfTest, WhatCannotBeJoinedIsMadeAlone) {
  ExpectJoinedLikeAlone(NoticesWith("</w:p>", false, "<w:fldSimple w:instr=\" NUMWORDS \"><w:r><w:t>9</w:t></w:r></w:fldSimple>"), false);
}

// The page count would count every record's pages once joined: each record's shows its own,
// read from the joined layout the first time, then written in as the count the pool has learned.
TEST_F(JoinedPdfTest, EveryRecordShowsItsOwnPageCount) {
  const std::vector<fs::path> records =
      NoticesWith("</w:p>", false, "<w:fldSimple w:instr=\" NUMPAGES \"><w:r><w:t>9</w:t></w:r></w:fldSimple>");
  ExpectJoinedLikeAlone(records, true);
  ExpectJoinedLikeAlone(records, true);
}

// The office dies while it exports the joined document: the records are joined again on a fresh
// office, and nothing is left running.
TEST_F(JoinedPdfTest, AnOfficeThatDiesInAJoinedExportLeavesNoRecordUnmade) {
  const std::vector<fs::path> records = MakeRecords(
      "output/通知.docx", {"张三", "销售部"}, {{"李四", "技术部"}, {"王五", "财务部"}, {"赵六", "人事部"}});
  pool_->Start();
  ASSERT_TRUE(pool_->WaitForOffices(1, 5min));
  const int pid = pool_->OfficePids().at(0);
  const int joined = pool_->joined();
  ::kill(pid, SIGSTOP);
  std::vector<std::shared_future<ConversionOutcome>> outcomes;
  for (std::size_t i = 0; i < records.size(); ++i) {
    outcomes.push_back(
        pool_->Submit({records[i].string(), false, {{Pdf("out", i), StoreFormat::kPdf}}, "记录"}));
  }
  // The stopped office holds the joined export when it dies.
  ASSERT_TRUE(pool_->WaitForJob(2min, JobKind::kJoinedExport));
  ::kill(-pid, SIGKILL);
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_TRUE(outcomes[i].get().ok()) << outcomes[i].get().message();
    EXPECT_EQ(PdfPageCount(Pdf("out", i)), 1) << i;
  }
  EXPECT_GE(pool_->joined() - joined, 2);
  EXPECT_NE(::kill(pid, 0), 0);
}

}  // namespace
}  // namespace vexlo::engine
