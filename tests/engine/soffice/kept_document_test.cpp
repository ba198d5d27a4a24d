// A record made from the document the office keeps loaded, its texts changed in place, where the
// change lies further into a paragraph than the office's text cursor moves in one call: the
// cursor goes there in steps (in C++ and in the routine inside the office alike), and the record
// shows its own value, every character before it kept, without a second load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "office/engine/soffice/office_limits.h"
#include "office/engine/soffice/office_pool.h"
#include "tests/engine/soffice/record_files.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// The text of a PDF without its line breaks and spaces.
std::string PdfText(const fs::path& pdf) {
  const fs::path txt = fs::path(pdf).replace_extension(".txt");
  if (std::system(("pdftotext -enc UTF-8 '" + pdf.string() + "' '" + txt.string() + "'").c_str()) != 0) return {};
  std::string text = test::ReadFile(txt);
  std::erase_if(text, [](char c) { return c == '\n' || c == ' ' || c == '\f'; });
  return text;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

TEST(KeptDocumentTest, AChangeFurtherThanOneCursorMoveLandsInPlace) {
  const std::size_t before = kCursorStepMax + kCursorStepMax / 4;
  std::string prefix;
  for (std::size_t i = 0; i < before; ++i) prefix += "甲";
  test::ScratchDir dir;
  const std::vector<fs::path> records =
      test::MakeRecords(dir.path(), "word/payslip.docx", {"姓名"}, {{prefix + "李四"}, {prefix + "王五"}});
  test::ScratchDir profiles;
  // However much the office grows with so long a text, it stays: the second record must find the
  // first's document there.
  OfficePool pool({.offices = 1, .profile_root = profiles.path().string(), .growth_limit_mb = 1 << 20,
                   .join_records = false, .doc_from_base = false});
  for (std::size_t i = 0; i < records.size(); ++i) {
    const fs::path pdf = dir.path() / ("记录" + std::to_string(i) + ".pdf");
    // The pool takes the record's file (as the merge hands it over), so it may keep its document.
    const ConversionOutcome made = pool.Submit({records[i].string(), true, {{pdf.string(), StoreFormat::kPdf}}, "记录"}).get();
    ASSERT_TRUE(made.ok) << made.error;
  }
  EXPECT_EQ(pool.loads(), 1);  // the second record was made from the first's document
  // The second record reads as the first with its own value wherever the title stood.
  std::string expected = PdfText(dir.path() / "记录0.pdf");
  ASSERT_GT(Count(expected, "李四"), 0u);
  for (std::size_t at; (at = expected.find("李四")) != std::string::npos;) expected.replace(at, 6, "王五");
  const std::string second = PdfText(dir.path() / "记录1.pdf");
  EXPECT_EQ(second.size(), expected.size());
  EXPECT_TRUE(second == expected);  // (not printed: some hundred thousand characters)
}

}  // namespace
}  // namespace vexlo::engine
