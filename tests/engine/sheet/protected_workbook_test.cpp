// Workbooks protected with the default password open like their plain twins; those protected by
// a password of their own, or whose encryption data is damaged or hostile, are refused with a
// text that says so, quickly and without a crash.
#include <gtest/gtest.h>

#include <chrono>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/workbook_loader.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::sheet {
namespace {

std::string Bytes(const std::string& name) {
  return test::ReadFile(test::DataFile("sheet/" + name));
}

std::optional<std::string> TextAt(const WorkbookData& book, const std::string& address) {
  const auto ref = ParseCellRef(address);
  EXPECT_TRUE(ref) << address;
  return office::ToText(book.ValueAt(book.active_sheet, ref->row, ref->column));
}

std::string ErrorOf(const std::string& bytes) {
  try {
    LoadWorkbookBytes(bytes, "受保护.xlsx");
  } catch (const app::RuntimeError& e) {
    return e.text();
  }
  return "loaded";
}

// One stream of a protected package replaced by what `edit` makes of it.
std::string WithStream(const std::string& file, const std::string& stream,
                       const std::function<void(std::string&)>& edit) {
  const std::string bytes = Bytes(file);
  const CompoundFile compound(bytes, file);
  std::string data = *compound.ReadStream(stream);
  edit(data);
  return *compound.WithStreams({{stream, data}});
}

class DefaultPasswordXls : public testing::TestWithParam<const char*> {};

// The sheet runs past the first 1024-byte block, whose key differs from the next one's.
TEST_P(DefaultPasswordXls, OpensWithoutAskingAcrossKeyBlocks) {
  const WorkbookData book = LoadWorkbookFile(test::DataFile(std::string("sheet/") + GetParam()));
  EXPECT_EQ(book.sheets[book.active_sheet].name, "工资");
  EXPECT_EQ(TextAt(book, "a1"), "姓名");
  EXPECT_EQ(TextAt(book, "b2"), "财务部");
  EXPECT_EQ(TextAt(book, "c3"), "6100");
  EXPECT_EQ(TextAt(book, "a4"), "王五");
  EXPECT_EQ(TextAt(book, "f220"), "328.5");
}

INSTANTIATE_TEST_SUITE_P(Rc4, DefaultPasswordXls,
                         testing::Values("encrypted_rc4.xls", "encrypted_cryptoapi.xls"));

class DefaultPasswordXlsx : public testing::TestWithParam<const char*> {};

TEST_P(DefaultPasswordXlsx, OpensToTheSameCellsAsThePlainPackage) {
  const WorkbookData plain = LoadWorkbookFile(test::DataFile("sheet/values.xlsx"));
  const WorkbookData book = LoadWorkbookFile(test::DataFile(std::string("sheet/") + GetParam()));
  ASSERT_EQ(book.sheets.size(), plain.sheets.size());
  const SheetData& sheet = plain.sheets[plain.active_sheet];
  ASSERT_EQ(book.sheets[book.active_sheet].cells.size(), sheet.cells.size());
  for (const auto& [key, cell] : sheet.cells) {
    const auto row = static_cast<uint32_t>(key >> 16);
    const auto column = static_cast<uint32_t>(key & 0xFFFF);
    EXPECT_EQ(office::ToText(book.ValueAt(book.active_sheet, row, column)),
              office::ToText(plain.ValueAt(plain.active_sheet, row, column)))
        << row << "," << column;
  }
}

INSTANTIATE_TEST_SUITE_P(Aes, DefaultPasswordXlsx,
                         testing::Values("encrypted_standard.xlsx", "encrypted_agile.xlsx"));

TEST(OwnPassword, IsRefusedSayingAPasswordIsNeeded) {
  for (const char* file : {"own_password_cryptoapi.xls", "own_password_agile.xlsx"}) {
    const std::string text = ErrorOf(Bytes(file));
    EXPECT_NE(text.find("需要密码"), std::string::npos) << file << ": " << text;
  }
}

TEST(DamagedEncryption, LyingSizesAndBrokenDataAreRefusedNotRead) {
  // A package size beyond the encrypted bytes.
  std::string text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptedPackage",
                                        [](std::string& d) { d[5] = '\x7F'; }));
  EXPECT_NE(text.find("加密信息已损坏"), std::string::npos) << text;
  // Encrypted bytes cut to no whole AES block.
  text = ErrorOf(WithStream("encrypted_standard.xlsx", "EncryptedPackage",
                            [](std::string& d) { d.resize(20); d[0] = 4; d[1] = 0; }));
  EXPECT_NE(text.find("密码"), std::string::npos) << text;
  // A damaged package decrypts to a zip file without its directory.
  text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptedPackage", [](std::string& d) {
    for (size_t i = d.size() - 200; i < d.size(); ++i) d[i] = static_cast<char>(d[i] ^ 0x55);
  }));
  EXPECT_NE(text.find("已损坏"), std::string::npos) << text;
  // Standard encryption information cut off before its header's size, and inside its verifier.
  for (const std::size_t size : {8u, 10u, 12u, 40u}) {
    text = ErrorOf(WithStream("encrypted_standard.xlsx", "EncryptionInfo",
                              [size](std::string& d) { d.resize(size); }));
    EXPECT_NE(text.find("加密信息已损坏"), std::string::npos) << size << ": " << text;
  }
  // Agile XML that is not XML, and a salt that is not base64.
  text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptionInfo",
                            [](std::string& d) { d.resize(40); }));
  EXPECT_NE(text.find("加密信息已损坏"), std::string::npos) << text;
  text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptionInfo", [](std::string& d) {
    d.replace(d.find("saltValue=\"") + 11, 1, "*");
  }));
  EXPECT_NE(text.find("加密信息已损坏"), std::string::npos) << text;
}

TEST(DamagedEncryption, UnknownMethodsAreNamed) {
  std::string text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptionInfo", [](std::string& d) {
    const size_t at = d.find("ChainingModeCBC");
    d.replace(at, 15, "ChainingModeCFB");
  }));
  EXPECT_NE(text.find("加密方式不受支持"), std::string::npos) << text;
  // XOR obfuscation of a BIFF8 stream.
  text = ErrorOf(WithStream("encrypted_rc4.xls", "Workbook", [](std::string& d) {
    const size_t filepass = 4 + static_cast<uint8_t>(d[2]);
    d[filepass + 4] = 0;
  }));
  EXPECT_NE(text.find("不支持这种加密方式"), std::string::npos) << text;
}

// A hostile spin count would keep the reader hashing for hours.
TEST(DamagedEncryption, HugeSpinCountIsRefusedAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  const std::string text = ErrorOf(WithStream("encrypted_agile.xlsx", "EncryptionInfo", [](std::string& d) {
    d.replace(d.find("spinCount=\"100000\""), 18, "spinCount=\"4000000000\"");
  }));
  EXPECT_NE(text.find("加密信息已损坏"), std::string::npos) << text;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace vexlo::engine::sheet
