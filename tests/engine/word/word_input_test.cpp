// Damaged, misnamed and hostile files: each gives the run-time error naming the file, quickly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "app/runtime_error.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/word_package.h"

#include <filesystem>
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

using test::DataFile;

const char kTypes[] =
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)";
const char kDocOpen[] =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)";

std::string Package(const std::string& document_xml) {
  ZipWriter z;
  z.Add("[Content_Types].xml", kTypes);
  z.Add("word/document.xml", document_xml);
  return z.Finish();
}

// Loading `bytes` fails with a format or file error that names the file, within a second.
void ExpectRejected(const std::string& bytes, const std::string& why_contains = "") {
  const auto start = std::chrono::steady_clock::now();
  try {
    WordPackage::FromBytes(bytes, "坏文件.docx");
    ADD_FAILURE() << "accepted";
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find("坏文件.docx"), std::string::npos) << e.text();
    EXPECT_NE(e.text().find(why_contains), std::string::npos) << e.text();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(WordInputTest, NotAPackage) {
  ExpectRejected("", "空文件");
  ExpectRejected("just some text, not a zip");
  const std::string good = test::ReadFile(DataFile("word/payslip.docx"));
  ExpectRejected(good.substr(0, good.size() / 2), "不是压缩包格式");  // no central directory
  std::string flipped = good;
  for (size_t i = 200; i < 400; ++i) flipped[i] = static_cast<char>(~flipped[i]);
  ExpectRejected(flipped, "已损坏");
}

TEST(WordInputTest, CompoundFiles) {
  // A Word 97-2003 document under a .docx name, and a password-protected package.
  ExpectRejected(test::ReadFile(DataFile("word/lo_notice.doc")), ".doc");
  ExpectRejected(test::ReadFile(DataFile("sheet/password.xlsx")), "已加密");
  std::string cfb("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  cfb.resize(4096, '\0');
  ExpectRejected(cfb);
}

TEST(WordInputTest, MissingOrDuplicatedParts) {
  ZipWriter z;
  z.Add("[Content_Types].xml", kTypes);
  ExpectRejected(z.Finish(), "缺少文档正文");
  z.Add("word/document.xml", "<x/>");
  ExpectRejected(z.Finish(), "缺少内容类型");
  z.Add("[Content_Types].xml", kTypes);
  z.Add("xl/workbook.xml", "<workbook/>");
  ExpectRejected(z.Finish(), "Excel");
  z.Add("[Content_Types].xml", kTypes);
  z.Add("word/document.xml", std::string(kDocOpen) + "</w:body></w:document>");
  z.Add("word/document.xml", std::string(kDocOpen) + "</w:body></w:document>");
  ExpectRejected(z.Finish(), "重复");
}

TEST(WordInputTest, HostileXml) {
  ExpectRejected(Package("<w:document"), "XML");
  ExpectRejected(Package(R"(<document xmlns="urn:other"><body/></document>)"));
  std::string deep = kDocOpen;
  for (int i = 0; i < 100000; ++i) deep += "<w:tbl>";
  ExpectRejected(Package(deep + "</w:body></w:document>"));
  std::string nested = kDocOpen;
  for (int i = 0; i < 5000; ++i) nested += "<w:sdt><w:sdtContent>";
  for (int i = 0; i < 5000; ++i) nested += "</w:sdtContent></w:sdt>";
  ExpectRejected(Package(nested + "</w:body></w:document>"), "嵌套");
  // Entities declared in a DTD are never expanded.
  std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE d [<!ENTITY a "aaaaaaaaaa">)";
  char prev = 'a';
  for (char c = 'b'; c <= 'j'; ++c, ++prev) {
    laughs += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">";
    (void)prev;
  }
  laughs += "]>" + std::string(kDocOpen) + "<w:p><w:r><w:t>&j;</w:t></w:r></w:p></w:body></w:document>";
  try {
    auto pkg = WordPackage::FromBytes(Package(laughs), "坏文件.docx");
    EXPECT_LT(pkg->story().texts().at(0).size(), 100u);
  } catch (const app::RuntimeError&) {
  }
}

TEST(WordInputTest, SizesThatLie) {
  RawEntry big;
  big.name = "word/document.xml";
  big.method = 8;
  big.size = 3ull << 30;  // claims 3 GB
  big.data = std::string("\x03\x00", 2);
  ZipWriter z;
  z.Add("[Content_Types].xml", kTypes);
  z.Add(big);
  ExpectRejected(z.Finish());
  // A stored size far beyond the file: refused before anything that size is allocated.
  std::string lying = Package(std::string(kDocOpen) + "</w:body></w:document>");
  for (size_t at = lying.find("PK\x01\x02"); at != std::string::npos; at = lying.find("PK\x01\x02", at + 4)) {
    lying.replace(at + 20, 4, "\xF0\xFF\xFF\x7F");
  }
  ExpectRejected(lying);
  // A real bomb: 200 MB of zeros in a small entry.
  ZipWriter bomb;
  bomb.Add("[Content_Types].xml", kTypes);
  bomb.Add("word/document.xml", std::string(200u << 20, ' '), 9);
  ExpectRejected(bomb.Finish());
}

TEST(WordInputTest, MissingFileIsAFileError) {
  try {
    WordPackage::Load("/nonexistent/模板.docx");
    ADD_FAILURE();
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find("模板.docx"), std::string::npos);
    EXPECT_NE(e.text().find("不存在"), std::string::npos);
  }
}

}  // namespace
}  // namespace vexlo::engine::word

namespace vexlo::engine::word {
namespace {

// Inputs the fuzzer found: each loads and survives an edit and a round trip, or is refused with
// the run-time error.
TEST(WordInputTest, FuzzRegressions) {
  for (const auto& entry : std::filesystem::directory_iterator(DataFile("word/fuzz"))) {
    SCOPED_TRACE(entry.path().filename().string());
    std::shared_ptr<const WordPackage> pkg;
    try {
      pkg = WordPackage::Load(entry.path().string());
    } catch (const app::RuntimeError&) {
      continue;
    }
    DocumentModel model(pkg, false);
    const std::string value = "值";
    model.Replace("a", &value, FindOptions{});
    model.Paste(model.Copy());
    EXPECT_NO_THROW(WordPackage::FromBytes(model.PackageBytes(".docx"), "round-trip.docx"));
  }
}

}  // namespace
}  // namespace vexlo::engine::word

namespace vexlo::engine::word {
namespace {

// A macro-enabled template saved as .docx loses its macros (a .docx cannot hold them) and gets
// the content type of an ordinary document; saved as .docm it keeps everything.
TEST(WordPackageTest, MacrosOnlyInMacroEnabledFormats) {
  ZipWriter z;
  z.Add("[Content_Types].xml",
        R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="bin" ContentType="application/vnd.ms-office.vbaProject"/><Override PartName="/word/document.xml" ContentType="application/vnd.ms-word.document.macroEnabled.main+xml"/><Override PartName="/word/vbaData.xml" ContentType="application/vnd.ms-word.vbaData+xml"/></Types>)");
  z.Add("word/document.xml", std::string(kDocOpen) + "<w:p/></w:body></w:document>");
  z.Add("word/_rels/document.xml.rels",
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject" Target="vbaProject.bin"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)");
  z.Add("word/vbaProject.bin", std::string(100, 'v'));
  z.Add("word/_rels/vbaProject.bin.rels", "<Relationships/>");
  z.Add("word/vbaData.xml", "<data/>");
  auto pkg = WordPackage::FromBytes(z.Finish(), "宏.docm");
  const std::string main = pkg->story().prefix() + pkg->story().suffix();

  auto docx = WordPackage::FromBytes(pkg->Write(main, ".docx"), "out.docx");
  auto names = ZipReader::FromBytes(pkg->Write(main, ".docx"), "out.docx")->names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "word/vbaProject.bin"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "word/vbaData.xml"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "word/_rels/vbaProject.bin.rels"), 0);
  EXPECT_EQ(docx->main_rels().find("vbaProject"), std::string::npos);
  EXPECT_NE(docx->main_rels().find("styles.xml"), std::string::npos);
  auto reader = ZipReader::FromBytes(pkg->Write(main, ".docx"), "out.docx");
  const std::string types = *reader->Read("[Content_Types].xml");
  EXPECT_NE(types.find("wordprocessingml.document.main+xml"), std::string::npos);
  EXPECT_EQ(types.find("vbaData"), std::string::npos);

  auto docm = ZipReader::FromBytes(pkg->Write(main, ".docm"), "out.docm");
  EXPECT_EQ(docm->names().size(), 6u);
}

}  // namespace
}  // namespace vexlo::engine::word
