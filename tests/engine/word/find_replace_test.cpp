// Find and replace on the main story: the matching rules and what a replacement keeps.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/text_fold.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

using test::DataFile;
using test::Paragraphs;

class FindReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_ = std::make_unique<DocumentModel>(
        WordPackage::Load(DataFile("word/features.docx").string()), false);
  }
  int Replace(const std::string& find, const std::string& with) {
    FindOptions o;
    o.whole_word = true;
    return model_->Replace(find, &with, o);
  }
  std::vector<std::string> Text() {
    return Paragraphs(*model_->package().WithMainXml(model_->MainXml()));
  }
  std::unique_ptr<DocumentModel> model_;
};

TEST(TextFoldTest, WordCharactersAndFolding) {
  EXPECT_TRUE(IsWordChar(U'a'));
  EXPECT_TRUE(IsWordChar(U'７'));
  EXPECT_TRUE(IsWordChar(U'Ｚ'));
  EXPECT_TRUE(IsWordChar(U'é'));
  EXPECT_TRUE(IsWordChar(U'_'));  // identifiers: TYPE_CONVERTED is one word
  for (char32_t c : {U'姓', U'の', U'カ', U'한', U' ', U'：', U'-', U'\t'}) {
    EXPECT_FALSE(IsWordChar(c)) << static_cast<uint32_t>(c);
  }
  EXPECT_EQ(FoldCase(U'Ａ'), U'ａ');
  EXPECT_EQ(FoldCase(U'Ä'), U'ä');
  EXPECT_EQ(FoldText("NaMe"), U"name");
  EXPECT_EQ(CleanInsertedText("a\r\nb\rc\nd\x01" "e"), "a\vb\vc\vde");
  EXPECT_EQ(CleanInsertedText("x\xff" "y"), "x\xEF\xBF\xBDy");
}

TEST_F(FindReplaceTest, ChineseTitleBetweenChineseTextIsReplaced) {
  EXPECT_EQ(Replace("姓名", "张三"), 2);  // paragraph 1, and the split title in paragraph 3
  EXPECT_EQ(Text()[0], "尊敬的张三：您好");
  EXPECT_EQ(Text()[2], "签名：张三（结束）");
}

TEST_F(FindReplaceTest, LatinWholeWordsAndCaseFolding) {
  // "name" matches name, Name and NAME, but not names or xname; full-width letters fold
  // among themselves.
  EXPECT_EQ(Replace("name", "N"), 3);
  EXPECT_EQ(Text()[1], "ID: ID IDENTITY names N N N ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(Replace("Ｎａｍｅ", "F"), 2);
  EXPECT_EQ(Replace("id", "7"), 2);
  EXPECT_EQ(Text()[1], "7: 7 IDENTITY names N N N F F xname");
}

TEST_F(FindReplaceTest, SplitTitleKeepsTheFirstCharactersFormatting) {
  Replace("姓名", "李四");
  const std::string xml = model_->MainXml();
  EXPECT_NE(xml.find("<w:b/><w:color w:val=\"FF0000\"/></w:rPr><w:t xml:space=\"preserve\">李四</w:t>"),
            std::string::npos);
  // The italic run of the second character is left empty, not removed.
  EXPECT_NE(xml.find("<w:i/></w:rPr><w:t xml:space=\"preserve\"></w:t>"), std::string::npos);
}

TEST_F(FindReplaceTest, TitlesInHyperlinksAndTables) {
  EXPECT_EQ(Replace("部门", "销售部"), 1);
  EXPECT_EQ(Text()[3], "链接：销售部");
  EXPECT_NE(model_->MainXml().find("<w:hyperlink r:id=\"rId11\""), std::string::npos);
  EXPECT_EQ(Replace("工号", "A-01"), 2);  // the label cell and the value cell
  EXPECT_EQ(Text()[4], "A-01");
  // A Chinese title next to a Latin letter is still a word of its own.
  EXPECT_EQ(Replace("地址", "北京"), 3);
  EXPECT_EQ(Text()[7], "北京A、北京");
}

TEST_F(FindReplaceTest, ObjectsBetweenCharactersStopAMatch) {
  Replace("姓名", "X");
  EXPECT_EQ(Text()[9], "制表符姓\t名");
}

TEST_F(FindReplaceTest, ValuesAreInsertedLiterallyWithLineBreaks) {
  Replace("姓名", "a^p&<b>\nc");
  const std::string xml = model_->MainXml();
  EXPECT_NE(xml.find("a^p&amp;&lt;b&gt;</w:t><w:br/><w:t xml:space=\"preserve\">c"),
            std::string::npos);
  EXPECT_EQ(Text()[0], "尊敬的a^p&<b>\nc：您好");
}

TEST_F(FindReplaceTest, InsertedTextIsNotSearchedAgainInTheSameCall) {
  EXPECT_EQ(Replace("姓名", "姓名姓名"), 2);
  EXPECT_EQ(Text()[0], "尊敬的姓名姓名：您好");
  // The next call sees the inserted text; whole-word does not reject Chinese neighbours.
  EXPECT_EQ(Replace("姓名", "甲"), 4);
  EXPECT_EQ(Text()[0], "尊敬的甲甲：您好");
}

TEST_F(FindReplaceTest, BlankValueRemovesTheTitleAndMissingTitleIsNoError) {
  EXPECT_EQ(Replace("姓名", ""), 2);
  EXPECT_EQ(Text()[0], "尊敬的：您好");
  EXPECT_EQ(Replace("不存在的标题", "x"), 0);
  EXPECT_EQ(Replace("", "x"), 0);
}

TEST_F(FindReplaceTest, MatchesGoLeftToRightWithoutOverlap) {
  model_ = std::make_unique<DocumentModel>(WordPackage::Blank(), true);
  auto src = WordPackage::Blank()->WithMainXml(
      R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>aaa-aaaa</w:t></w:r></w:p></w:body></w:document>)");
  model_->Paste({src, src->story_ptr(), src->story().texts()});
  FindOptions o;  // not whole word
  const std::string with = "b";
  EXPECT_EQ(model_->Replace("aa", &with, o), 3);
  EXPECT_EQ(Text()[0], "ba-bb");
}

TEST_F(FindReplaceTest, MatchCaseWhenAsked) {
  FindOptions o;
  o.match_case = true;
  o.whole_word = true;
  const std::string with = "x";
  EXPECT_EQ(model_->Replace("Name", &with, o), 1);
}

}  // namespace
}  // namespace vexlo::engine::word

namespace vexlo::engine::word {
namespace {

// In a merged document each title searches the whole story again, but the engine only looks at
// text changed since that title's last search: a value that spells a title must still be found
// in earlier copies, and text inserted by the call itself must not be searched again.
TEST(MergedSearchTest, EarlierCopiesAreSearchedWhereTheyChanged) {
  auto pkg = WordPackage::Load(DataFile("word/features.docx").string());
  DocumentModel doc(WordPackage::Blank(), true);
  FindOptions o;
  o.whole_word = true;
  auto record = [&](const std::string& name, const std::string& dept) {
    doc.Paste({pkg, pkg->story_ptr(), pkg->story().texts()});
    doc.Replace("姓名", &name, o);
    doc.Replace("部门", &dept, o);
  };
  record("甲", "姓名");   // copy 1 ends up with 姓名 in its link text
  record("乙", "销售");   // the second 姓名 pass replaces it there too
  record("丙", "财务");
  const auto text = Paragraphs(*doc.package().WithMainXml(doc.MainXml()));
  const size_t n = pkg->story().paragraphs().size();
  ASSERT_EQ(text.size(), 3 * n);
  EXPECT_EQ(text[0], "尊敬的甲：您好");
  EXPECT_EQ(text[3], "链接：乙");
  EXPECT_EQ(text[n], "尊敬的乙：您好");
  EXPECT_EQ(text[n + 3], "链接：销售");
  EXPECT_EQ(text[2 * n + 3], "链接：财务");
  // The template never changes.
  EXPECT_EQ(Paragraphs(*pkg)[0], "尊敬的姓名：您好");
}

}  // namespace
}  // namespace vexlo::engine::word

namespace vexlo::engine::word {
namespace {

const char kTableStory[] =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)"
    R"(<w:p><w:r><w:t>ab</w:t></w:r></w:p>)"
    R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>c</w:t></w:r></w:p></w:tc>)"
    R"(<w:tc><w:p><w:r><w:t>d</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
    R"(<w:p><w:r><w:t>𝄞</w:t><w:tab/><w:t>名</w:t></w:r></w:p></w:body></w:document>)";

// Positions count as the word processor counts them: "ab" and its paragraph mark 3; the row's
// two cells with their end marks and the row mark 5; 𝄞 (two UTF-16 units), tab, 名 and the mark 5.
TEST(StoryPositionsTest, CopiesHaveExactBoundariesAsValuesChangeTheirLength) {
  auto src = WordPackage::Blank()->WithMainXml(kTableStory);
  const ClipContent clip{src, src->story_ptr(), src->story().texts()};
  DocumentModel doc(WordPackage::Blank(), true);
  EXPECT_EQ(doc.ContentEnd(), 1);  // the empty paragraph of a blank document
  EXPECT_EQ(doc.InsertionPoint(), 0);
  doc.Paste(clip);
  EXPECT_EQ(doc.ContentEnd(), 13);
  doc.Paste(clip);
  doc.Paste(clip);
  EXPECT_EQ(doc.InsertionPoint(), 39);

  FindOptions second;
  second.first_block = 1;
  second.end_block = 2;
  const std::string xyz = "xyz", one = "x";
  EXPECT_EQ(doc.Replace("ab", &xyz, second), 1);
  EXPECT_EQ(doc.Replace("𝄞", &one, second), 1);
  EXPECT_EQ(doc.ContentEnd(), 39);  // +1 and -1
  const std::string long_value = "长\n值𝄞";
  EXPECT_EQ(doc.Replace("名", &long_value, second), 1);
  EXPECT_EQ(doc.ContentEnd(), 43);  // 名 became five positions: 长, break, 值, 𝄞

  const auto span = [&](int64_t s, int64_t e) {
    const BlockSpan b = doc.BlocksBetween(s, e);
    return std::pair<size_t, size_t>(b.first, b.end);
  };
  EXPECT_EQ(span(0, 13), std::make_pair(size_t{0}, size_t{1}));
  EXPECT_EQ(span(13, 30), std::make_pair(size_t{1}, size_t{2}));
  EXPECT_EQ(span(30, 1000), std::make_pair(size_t{2}, size_t{3}));  // an end past the story
  EXPECT_EQ(span(43, 43), std::make_pair(size_t{3}, size_t{3}));
  for (auto [s, e] : {std::pair{14, 43}, std::pair{13, 29}, std::pair{-1, 5}, std::pair{44, 50},
                      std::pair{30, 13}}) {
    EXPECT_THROW(doc.BlocksBetween(s, e), app::RuntimeError) << s << " " << e;
  }
  const auto text = Paragraphs(*doc.package().WithMainXml(doc.MainXml()));
  EXPECT_EQ(text[4], "xyz");
  EXPECT_EQ(text[7], "x\t长\n值𝄞");
  EXPECT_EQ(text[0], "ab");
  EXPECT_EQ(text[8], "ab");
}

// A search limited to the newest copy leaves earlier copies alone, and whole-story searches
// still see what such a search put in.
TEST(StoryPositionsTest, SearchesInOneCopyAndInTheWholeStoryMix) {
  auto pkg = WordPackage::Load(DataFile("word/features.docx").string());
  const ClipContent clip{pkg, pkg->story_ptr(), pkg->story().texts()};
  const size_t n = pkg->story().paragraphs().size();
  DocumentModel doc(WordPackage::Blank(), true);
  FindOptions all;
  all.whole_word = true;
  const std::string a = "甲", b = "乙", title = "姓名";
  doc.Paste(clip);
  doc.Paste(clip);
  doc.Paste(clip);
  EXPECT_EQ(doc.Replace("姓名", &a, all), 6);
  FindOptions last = all;
  last.first_block = 2;
  EXPECT_EQ(doc.Replace("部门", &title, last), 1);
  // Match case searches every paragraph of the copy.
  last.match_case = true;
  EXPECT_EQ(doc.Replace("ID", &b, last), 2);
  EXPECT_EQ(doc.Replace("姓名", &b, all), 1);
  // Text that runs across a value and its neighbours is found, in one copy and in all.
  FindOptions loose;
  loose.first_block = 1;
  loose.end_block = 2;
  const std::string c = "丙";
  EXPECT_EQ(doc.Replace("的甲：", &c, loose), 1);
  loose.first_block = 0;
  loose.end_block = SIZE_MAX;
  EXPECT_EQ(doc.Replace("的甲：", &c, loose), 2);
  const auto text = Paragraphs(*doc.package().WithMainXml(doc.MainXml()));
  EXPECT_EQ(text[3], "链接：部门");
  EXPECT_EQ(text[n + 3], "链接：部门");
  EXPECT_EQ(text[2 * n + 3], "链接：乙");
  EXPECT_EQ(text[2 * n + 1], "乙: 乙 IDENTITY names name Name NAME ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(text[1], "ID: ID IDENTITY names name Name NAME ｎａｍｅ ＮＡＭＥ xname");
  EXPECT_EQ(text[0], "尊敬丙您好");
  EXPECT_EQ(text[n], "尊敬丙您好");
  EXPECT_EQ(text[2 * n], "尊敬丙您好");
}

}  // namespace
}  // namespace vexlo::engine::word
