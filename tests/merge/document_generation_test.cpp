// Filling records with the embedded word processor: a value is never searched by a later title,
// whether it holds title text, marker characters or nothing, and one file for all records holds
// exactly the documents that one document per record gives, one after another.
#include "merge/document_generation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "office/engine/register_servers.h"
#include "office/engine/word/word_selection.h"
#include "office/oleobject.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;
using office::oleobject;
using office::Value;
using Paragraphs = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

// features.docx: 尊敬的姓名：您好 / ID: ID IDENTITY names name Name NAME ｎａｍｅ ＮＡＭＥ xname /
// 签名：姓名（结束） / 链接：部门 / 工号 / 工号 / 地址 / 地址A、地址 / 图片 / 制表符姓\t名
const std::vector<std::string> kTitles = {"姓名", "部门", "name", "id", "地址", "a", "不存在"};

class DocumentGenerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    test::Engine().clipboard().content.reset();
  }

  // Fills `rows` into features.docx, one document per record or one for all, and returns the
  // paragraphs of each document written. Records every value read, as "row:title".
  std::vector<Paragraphs> Generate(const Rows& rows, bool one_file) {
    oleobject word, word2;
    EXPECT_EQ(word.start_new("word.application"), 0);
    EXPECT_EQ(word2.start_new("word.application"), 0);
    PrepareDocuments(word, word2, test::DataFile("word/features.docx").string());
    const auto doc = [&] { return word2.get("documents").call("item", {Value(1)}); };
    const fs::path dir = dir_ / (one_file ? "one" : "per");
    fs::create_directory(dir);
    std::vector<fs::path> files;
    if (one_file) {
      files.push_back(dir / "合并输出.docx");
      doc().call("saveas", {Value(files[0].string())});
    }
    for (size_t r = 0; r < rows.size(); ++r) {
      if (!one_file && r > 0) NewRecordDocument(word2);
      FillRecord(word, word2, kTitles, [&](size_t k) {
        reads_.push_back(std::to_string(r) + ":" + std::to_string(k));
        return k < rows[r].size() ? rows[r][k] : std::string();
      });
      if (one_file) {
        doc().call("save");
      } else {
        files.push_back(dir / (std::to_string(r) + ".docx"));
        doc().call("saveas", {Value(files.back().string())});
        doc().call("close");
      }
    }
    if (one_file) doc().call("close");
    word.get("application").call("quit");
    word2.get("application").call("quit");
    std::vector<Paragraphs> out;
    for (const fs::path& f : files) {
      out.push_back(test::Paragraphs(*engine::word::WordPackage::Load(f.string())));
    }
    return out;
  }

  test::ScratchDir dir_;
  std::vector<std::string> reads_;
};

TEST_F(DocumentGenerationTest, ValuesAreNeverSearchedAgainInEitherMode) {
  const Rows rows = {
      // Values that spell later titles, Latin and Chinese.
      {"部门主管", "销售部门", "id card", "7", "Rd", "甲方"},
      // A value equal to a title; 技术部 must not reach the first record's 销售部门.
      {"乙", "技术部", "Name", "9", "a", "b"},
      // Marker characters (U+F0000 + k) are left out of values; other private use characters
      // (U+E000, used by GB 18030) stay.
      {"丙\U000F0001", "\U000F0000财务", "\uE000x", "名", "", "c"},
  };
  const std::vector<Paragraphs> per = Generate(rows, false);
  ASSERT_EQ(per.size(), 3u);
  ASSERT_EQ(per[0].size(), 10u);

  EXPECT_EQ(per[0][0], "尊敬的部门主管：您好");
  EXPECT_EQ(per[0][1], "7: 7 IDENTITY names id card id card id card ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(per[0][2], "签名：部门主管（结束）");
  EXPECT_EQ(per[0][3], "链接：销售部门");
  EXPECT_EQ(per[0][6], "Rd");
  // "a" follows 地址 in the template's own text (a Chinese neighbour is a word boundary), and
  // still does once 地址 was replaced by a Latin value.
  EXPECT_EQ(per[0][7], "Rd甲方、Rd");

  EXPECT_EQ(per[1][0], "尊敬的乙：您好");
  EXPECT_EQ(per[1][1], "9: 9 IDENTITY names Name Name Name ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(per[1][3], "链接：技术部");
  EXPECT_EQ(per[1][7], "ab、a");

  EXPECT_EQ(per[2][0], "尊敬的丙：您好");
  EXPECT_EQ(per[2][1], "名: 名 IDENTITY names \uE000x \uE000x \uE000x ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(per[2][3], "链接：财务");
  EXPECT_EQ(per[2][6], "");
  EXPECT_EQ(per[2][7], "c、");
  // Text that is no title stays as it was.
  for (const Paragraphs& p : per) {
    EXPECT_EQ(p[4], "工号");
    EXPECT_EQ(p[9], "制表符姓\t名");
  }

  // Every value is read once, in column order, a title missing from the template included.
  ASSERT_EQ(reads_.size(), 3 * kTitles.size());
  EXPECT_EQ(reads_[0], "0:0");
  EXPECT_EQ(reads_[kTitles.size() + 6], "1:6");

  const std::vector<Paragraphs> one = Generate(rows, true);
  ASSERT_EQ(one.size(), 1u);
  Paragraphs expected;
  for (const Paragraphs& p : per) expected.insert(expected.end(), p.begin(), p.end());
  EXPECT_EQ(one[0], expected);
}

TEST_F(DocumentGenerationTest, OneFileEqualsThePerRecordDocumentsForThePaySlip) {
  // Every record's department names the next one's, and each name holds the month title.
  Rows rows;
  const std::vector<std::string> depts = {"销售部门", "技术部", "部门", "门"};
  for (int r = 0; r < 12; ++r) {
    rows.push_back({"员工" + std::to_string(r) + "发放月份", "E" + std::to_string(r),
                    depts[r % depts.size()], std::to_string(r + 1) + "月"});
  }
  // Titles in tables and in runs split by formatting.
  const std::vector<std::string> titles = {"姓名", "工号", "部门", "发放月份"};
  auto run = [&](bool one_file) {
    oleobject word, word2;
    EXPECT_EQ(word.start_new("word.application"), 0);
    EXPECT_EQ(word2.start_new("word.application"), 0);
    PrepareDocuments(word, word2, test::DataFile("word/payslip.docx").string());
    std::vector<Paragraphs> out;
    for (size_t r = 0; r < rows.size(); ++r) {
      if (!one_file && r > 0) NewRecordDocument(word2);
      FillRecord(word, word2, titles, [&](size_t k) { return rows[r][k]; });
      if (!one_file || r + 1 == rows.size()) {
        const fs::path f = dir_ / ((one_file ? "one" : std::to_string(r)) + std::string(".docx"));
        word2.get("activedocument").call("saveas", {Value(f.string())});
        word2.get("activedocument").call("close");
        out.push_back(test::Paragraphs(*engine::word::WordPackage::Load(f.string())));
      }
    }
    word2.get("application").call("quit");
    word.get("application").call("quit");
    return out;
  };
  const std::vector<Paragraphs> per = run(false);
  const std::vector<Paragraphs> one = run(true);
  ASSERT_EQ(per.size(), rows.size());
  ASSERT_EQ(one.size(), 1u);
  Paragraphs expected;
  for (const Paragraphs& p : per) expected.insert(expected.end(), p.begin(), p.end());
  ASSERT_EQ(one[0].size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(one[0][i], expected[i]) << "paragraph " << i % per[0].size() << " of copy "
                                      << i / per[0].size();
  }
  const std::string first = test::AllText(*engine::word::WordPackage::Load((dir_ / "0.docx").string()));
  EXPECT_NE(first.find("尊敬的员工0发放月份："), std::string::npos);
  EXPECT_NE(first.find("第3条：销售部门的有关规定"), std::string::npos);
  EXPECT_NE(first.find("第12条：1月的有关规定"), std::string::npos);
}

}  // namespace
}  // namespace vexlo::merge
