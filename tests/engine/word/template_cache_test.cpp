// The cache of converted templates: entries checked against their digest before use, bounded by
// count and size (the entries used longest ago go first); and the check that refuses, before any
// conversion, a file the office would read as plain text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "app/runtime_error.h"
#include "office/engine/engine_services.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/converted_templates.h"
#include "office/engine/word/convertible_input.h"
#include "office/engine/word/doc_conversion.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;
using test::DataFile;
using test::ReadFile;
using test::ScratchDir;

// The entry files in `folder`.
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) found.push_back(e.path());
  return found;
}

void SetAge(const fs::path& file, int hours) {
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(hours));
}

const std::string kKey1 = ContentDigest("template 1"), kKey2 = ContentDigest("template 2"),
                  kKey3 = ContentDigest("template 3"), kKey4 = ContentDigest("template 4");

TEST(ConvertedTemplatesTest, DamagedEntriesAreRemovedNotUsed) {
  ScratchDir dir;
  const ConvertedTemplates cache(dir.path().string());
  const std::string good = ReadFile(DataFile("word/payslip.docx"));
  const std::string other = ReadFile(DataFile("word/features.docx"));
  const std::vector<std::pair<const char*, std::string>> damages = {
      {"swapped for another document", other},
      {"cut short", good.substr(0, good.size() / 2)},
      {"not a zip", "garbage"},
      {"empty", ""},
  };
  for (const auto& [what, bytes] : damages) {
    SCOPED_TRACE(what);
    const std::string entry = cache.Store(kKey1, good);
    ASSERT_EQ(cache.Find(kKey1), entry);
    EXPECT_EQ(ConvertedTemplates::ReadEntry(entry), good);
    test::WriteFile(entry, bytes);
    EXPECT_EQ(ConvertedTemplates::ReadEntry(entry), std::nullopt);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(cache.Find(kKey1), std::nullopt);
  }
  // An entry without a digest in its name (an older layout) is never read.
  const fs::path legacy = dir / (kKey2 + ".docx");
  test::WriteFile(legacy, good);
  EXPECT_EQ(cache.Find(kKey2), std::nullopt);
  EXPECT_EQ(ConvertedTemplates::ReadEntry(legacy.string()), std::nullopt);
}

TEST(ConvertedTemplatesTest, BoundedByCountAndSizeLeastRecentlyUsedFirst) {
  ScratchDir dir;
  const ConvertedTemplates by_count(dir.path().string(), {3, 1u << 20});
  const std::string e1 = by_count.Store(kKey1, "one"), e2 = by_count.Store(kKey2, "two"),
                    e3 = by_count.Store(kKey3, "three");
  SetAge(e1, 3);
  SetAge(e2, 2);
  SetAge(e3, 1);
  ASSERT_TRUE(by_count.Find(kKey1));  // used now: the second oldest goes instead
  by_count.Store(kKey4, "four");
  EXPECT_EQ(by_count.Find(kKey2), std::nullopt);
  EXPECT_TRUE(by_count.Find(kKey1) && by_count.Find(kKey3) && by_count.Find(kKey4));
  EXPECT_EQ(Entries(dir.path()).size(), 3u);

  ScratchDir sized;
  const ConvertedTemplates by_size(sized.path().string(), {100, 250});
  const std::string big1 = by_size.Store(kKey1, std::string(100, 'a'));
  SetAge(big1, 2);
  by_size.Store(kKey2, std::string(100, 'b'));
  by_size.Store(kKey3, std::string(100, 'c'));
  EXPECT_EQ(by_size.Find(kKey1), std::nullopt);
  EXPECT_TRUE(by_size.Find(kKey2) && by_size.Find(kKey3));
  // A single entry larger than the cap is still kept: it is the one just made.
  EXPECT_TRUE(fs::exists(by_size.Store(kKey4, std::string(300, 'd'))));
  EXPECT_EQ(Entries(sized.path()).size(), 1u);
  // An older layout's entries go when the folder is trimmed; other documents there are not ours.
  test::WriteFile(sized / (kKey1 + ".docx"), "old");
  test::WriteFile(sized / "模板备份.docx", "the user's");
  by_size.Store(kKey2, "small");
  EXPECT_FALSE(fs::exists(sized / (kKey1 + ".docx")));
  EXPECT_TRUE(fs::exists(sized / "模板备份.docx"));
}

// A note goes with its entry; an entry stored again for its key (a repaired conversion) replaces
// the one before, with that one's note.
TEST(ConvertedTemplatesTest, NotesGoWithTheirEntriesAndAKeyHasOneEntry) {
  ScratchDir dir;
  const ConvertedTemplates cache(dir.path().string());
  const std::string first = cache.Store(kKey1, ReadFile(DataFile("word/payslip.docx")));
  ConvertedTemplates::WriteNote(first, "same");
  EXPECT_EQ(ConvertedTemplates::ReadNote(first), "same");
  const std::string second = cache.Store(kKey1, ReadFile(DataFile("word/features.docx")));
  EXPECT_EQ(Entries(dir.path()), std::vector<fs::path>{second});
  EXPECT_EQ(cache.Find(kKey1), second);
  EXPECT_EQ(ConvertedTemplates::ReadNote(second), std::nullopt);
  ConvertedTemplates::WriteNote(second, "same");
  test::WriteFile(second, "damaged");
  EXPECT_EQ(cache.Find(kKey1), std::nullopt);
  EXPECT_TRUE(Entries(dir.path()).empty());
}

// A .doc converted once, whose cache entry is then damaged in three ways: each time the template
// is converted again and its own text comes back (before, a swapped entry was used as it was and
// a damaged one made the user's template "已损坏" until the entry was deleted by hand).
TEST(ConvertedTemplatesTest, ConversionRepairsADamagedEntry) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  ScratchDir cache;
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  const fs::path doc = cache / "模板.doc";
  fs::copy_file(DataFile("output/通知.doc"), doc);
  const auto text_of = [](const std::string& docx) {
    return ZipReader::FromBytes(docx, "docx")->Read("word/document.xml").value_or("");
  };
  DocConversions& conversions = test::Engine().conversions();
  ASSERT_NE(text_of(conversions.ConvertToDocx(doc.string())).find("录用通知书"), std::string::npos);
  const fs::path folder = cache / "vexlo" / "templates";
  const std::string swapped = ReadFile(DataFile("word/payslip.docx"));
  for (const std::string& damage : {swapped, swapped.substr(0, 3000), std::string("not a zip")}) {
    std::vector<fs::path> entries = Entries(folder);
    std::erase_if(entries, [](const fs::path& p) { return p.extension() != ".docx"; });  // notes beside
    ASSERT_EQ(entries.size(), 1u);
    test::WriteFile(entries[0], damage);
    std::string docx;
    ASSERT_NO_THROW(docx = conversions.ConvertToDocx(doc.string()));
    EXPECT_NE(text_of(docx).find("录用通知书"), std::string::npos);
  }
  test::Engine().pool().Shutdown();
  ::unsetenv("XDG_CACHE_HOME");
}

// A cache that cannot be written is no reason to call the template damaged: the conversion is
// used all the same.
TEST(ConvertedTemplatesTest, UnwritableCacheStillConverts) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  ScratchDir cache;
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  fs::create_directories(cache / "vexlo");
  test::WriteFile(cache / "vexlo" / "templates", "a file where the folder should be");
  const fs::path doc = cache / "模板.doc";
  fs::copy_file(DataFile("word/lo_notice.doc"), doc);
  std::string docx;
  ASSERT_NO_THROW(docx = test::Engine().conversions().ConvertToDocx(doc.string()));
  EXPECT_TRUE(docx.starts_with("PK"));
  test::Engine().pool().Shutdown();
  ::unsetenv("XDG_CACHE_HOME");
}

// The private folder that a run's documents are staged in belongs to the conversions of one
// program: each snapshot gets a folder of its own there, the end of a run removes it, and what is
// left goes with the conversions, so that no document of the run stays behind in /tmp.
TEST(DocConversionsTest, StagedFilesLiveInAFolderOfTheirOwnThatGoesWithThem) {
  SofficeRuns runs;
  std::string process;
  {
    DocConversions conversions(test::Engine().pool(), runs);
    const std::string first = conversions.NewSnapshotFolder().value();
    const std::string second = conversions.NewSnapshotFolder().value();
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::is_directory(second));
    const fs::path run_folder = conversions.ProcessTempFolder().value();
    EXPECT_EQ(fs::path(first).parent_path(), run_folder);
    // Another program's conversions (another graph) stage elsewhere.
    DocConversions other(test::Engine().pool(), runs);
    EXPECT_NE(other.ProcessTempFolder().value(), run_folder);
    conversions.RemoveProcessTempFolder();
    EXPECT_FALSE(fs::exists(run_folder));
    // The next run makes a fresh one, which the conversions' end removes.
    ASSERT_TRUE(conversions.NewSnapshotFolder().ok());
    process = conversions.ProcessTempFolder().value();
    EXPECT_TRUE(fs::is_directory(process));
  }
  EXPECT_FALSE(fs::exists(process));
}

TEST(ConvertibleInputTest, DocumentsTheOfficeReadsAsDocumentsPass) {
  for (const char* fixture : {"word/lo_notice.doc", "word/lo_notice.docx", "output/通知.doc"}) {
    EXPECT_TRUE(CheckWordDocument(ReadFile(DataFile(fixture))).ok()) << fixture;
  }
  EXPECT_TRUE(CheckWordDocument("{\\rtf1\\ansi 通知}").ok());
  EXPECT_TRUE(CheckWordDocument("\xEF\xBB\xBF\r\n<html><body>通知</body></html>").ok());
  EXPECT_TRUE(CheckWordDocument("<?xml version=\"1.0\"?><w:wordDocument/>").ok());
}

TEST(ConvertibleInputTest, WhatTheOfficeWouldReadAsTextIsRefused) {
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  EXPECT_NE(CheckWordDocument(noise).message().find("不是 Word 文档"), std::string::npos);
  EXPECT_NE(CheckWordDocument("姓名 部门 工号").message().find("不是 Word 文档"), std::string::npos);
  // Compound files that hold no Word document, or nothing readable at all.
  EXPECT_NE(CheckWordDocument(ReadFile(DataFile("merge/数据.xls"))).message().find("不是 Word 文档"),
            std::string::npos);
  std::string broken("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  broken.resize(4096, '\0');
  EXPECT_NE(CheckWordDocument(broken).message().find("已损坏"), std::string::npos);
  EXPECT_NE(CheckWordDocument(ReadFile(DataFile("sheet/password.xlsx"))).message().find("已加密"),
            std::string::npos);
}

// Random bytes named .doc are refused with the file's name before any office reads them.
TEST(ConvertibleInputTest, GarbageTemplateIsAFormatErrorWithoutAConversion) {
  if (!OfficePool::Available()) GTEST_SKIP() << "no LibreOffice";
  ScratchDir dir;
  const fs::path doc = dir / "乱码.doc";
  test::WriteFile(doc, std::string(2000, '\x9C') + "abc");
  const int loads = test::Engine().pool().loads();
  try {
    test::Engine().conversions().ConvertToDocx(doc.string());
    ADD_FAILURE() << "accepted";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrFileFormat);
    EXPECT_NE(e.text().find("乱码.doc"), std::string::npos) << e.text();
    EXPECT_NE(e.text().find("不是 Word 文档"), std::string::npos) << e.text();
  }
  EXPECT_EQ(test::Engine().pool().loads(), loads);
}

}  // namespace
}  // namespace vexlo::engine::word
