// Stored files are only taken when whole: a PDF must read as a PDF with the document's page
// count, whatever its bytes happen to contain; other formats need their signature.
#include "office/engine/soffice/stored_check.h"

#include <gtest/gtest.h>

#include "tests/engine/soffice/test_pdf.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

using test::MakePdf;

TEST(StoredCheckTest, APdfCountsItsPagesOnlyWhenWhole) {
  test::ScratchDir dir;
  const fs::path pdf = dir / "t.pdf";
  const std::string whole = MakePdf(pdf, 3);
  EXPECT_EQ(PdfPageCount(pdf.string()), 3);
  EXPECT_TRUE(CheckStored(pdf.string(), StoreFormat::kPdf, 3).ok());
  EXPECT_NE(CheckStored(pdf.string(), StoreFormat::kPdf, 2).message().find("有 3 页，文档有 2 页"), std::string::npos);

  // Cut short while being written.
  test::WriteFile(pdf, whole.substr(0, whole.size() / 2));
  EXPECT_EQ(PdfPageCount(pdf.string()), -1);
  EXPECT_EQ(CheckStored(pdf.string(), StoreFormat::kPdf, 0).message(), "生成的PDF文件不完整");
  // A piece missing in the middle: the end is there, the objects are not where it says.
  test::WriteFile(pdf, whole.substr(0, whole.size() / 3) + whole.substr(whole.size() / 2));
  EXPECT_EQ(PdfPageCount(pdf.string()), -1);
  // Page objects scattered in bytes that are no PDF count for nothing.
  test::WriteFile(pdf, "%PDF-1.6\n1 0 obj <</Type /Page>> endobj\n%%EOF\n");
  EXPECT_EQ(PdfPageCount(pdf.string()), -1);
  EXPECT_EQ(PdfPageCount((dir / "none.pdf").string()), -1);
}

TEST(StoredCheckTest, OtherFormatsNeedTheirSignature) {
  test::ScratchDir dir;
  const fs::path file = dir / "f";
  EXPECT_EQ(CheckStored(file.string(), StoreFormat::kDoc, 0).message(), "没有生成文件");
  test::WriteFile(file, "");
  EXPECT_EQ(CheckStored(file.string(), StoreFormat::kDocx, 0).message(), "没有生成文件");
  test::WriteFile(file, "PK\x03\x04rest");
  EXPECT_TRUE(CheckStored(file.string(), StoreFormat::kDocx, 0).ok());
  EXPECT_TRUE(CheckStored(file.string(), StoreFormat::kOdt, 0).ok());
  EXPECT_FALSE(CheckStored(file.string(), StoreFormat::kDoc, 0).ok());
  test::WriteFile(file, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest");
  EXPECT_TRUE(CheckStored(file.string(), StoreFormat::kDoc, 0).ok());
  EXPECT_FALSE(CheckStored(file.string(), StoreFormat::kRtf, 0).ok());
}

}  // namespace
}  // namespace vexlo::engine
