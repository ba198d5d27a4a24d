// Fields and the stories besides the main text: field codes read and changed in a part's XML,
// find and replace in a header-like part, and the object model over them (fields, sections,
// headers and footers, story ranges) on a mail-merge template with text boxes.
#include <gtest/gtest.h>

#include "office/engine/register_servers.h"
#include "office/engine/word/field_codes.h"
#include "office/engine/word/story_part.h"
#include "office/engine/word/word_selection.h"
#include "office/engine/word/word_stories.h"
#include "office/oleobject.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

using office::Value;

const std::string kOpen = R"(<w:hdr xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)";
const std::string kClose = "</w:hdr>";

std::string Part(const std::string& body) { return kOpen + body + kClose; }

// A complex merge field whose result «姓名» is bold and split over two runs, then a simple one.
const std::string kTwoFields = Part(
    R"(<w:p><w:r><w:t>甲</w:t></w:r>)"
    R"(<w:r><w:rPr><w:b/></w:rPr><w:fldChar w:fldCharType="begin"/></w:r>)"
    R"(<w:r><w:instrText xml:space="preserve"> MERGEFIELD </w:instrText></w:r>)"
    R"(<w:r><w:instrText xml:space="preserve">姓名 \* MERGEFORMAT </w:instrText></w:r>)"
    R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r>)"
    R"(<w:r><w:rPr><w:b/><w:color w:val="FF0000"/></w:rPr><w:t>«姓</w:t></w:r>)"
    R"(<w:r><w:rPr><w:b/></w:rPr><w:t>名»</w:t></w:r>)"
    R"(<w:r><w:fldChar w:fldCharType="end"/></w:r>)"
    R"(<w:fldSimple w:instr=" PAGE "><w:r><w:t>1</w:t></w:r></w:fldSimple></w:p>)");

TEST(FieldCodesTest, ListsComplexAndSimpleFieldsInOrder) {
  const std::vector<FieldText> fields = ListFields(kTwoFields);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].code, R"( MERGEFIELD 姓名 \* MERGEFORMAT )");
  EXPECT_EQ(fields[0].result, "«姓名»");
  EXPECT_EQ(FieldTypeOf(fields[0].code), kFieldMergeField);
  EXPECT_EQ(fields[1].result, "1");
  EXPECT_EQ(FieldTypeOf(fields[1].code), kFieldPage);
  EXPECT_EQ(FieldTypeOf(" mergefield x"), kFieldMergeField);
  EXPECT_EQ(FieldTypeOf(" QUOTE x"), kFieldEmpty);
  // A field whose end is missing is damaged: no field, and nothing to change.
  const std::string damaged = Part(R"(<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r>)"
                                   R"(<w:r><w:instrText>MERGEFIELD a</w:instrText></w:r></w:p>)");
  EXPECT_TRUE(ListFields(damaged).empty());
  EXPECT_FALSE(UnlinkField(damaged, 0));
  EXPECT_TRUE(ListFields("not xml").empty());
}

TEST(FieldCodesTest, UnlinkLeavesTheResultInTheFirstResultRunsFormatting) {
  std::string xml = *SetFieldResult(kTwoFields, 0, "«新名»");
  EXPECT_EQ(ListFields(xml)[0].result, "«新名»");
  xml = *UnlinkField(xml, 0);
  ASSERT_EQ(ListFields(xml).size(), 1u);  // the PAGE field stays
  EXPECT_EQ(PartText(xml), "甲«新名»1\r");
  EXPECT_EQ(xml.find("instrText"), std::string::npos);
  EXPECT_EQ(test::Count(xml, "fldChar"), 0u);
  // The result kept the run that showed its first character, formatting and all; the emptied
  // second run went.
  EXPECT_NE(xml.find(R"(<w:r><w:rPr><w:b/><w:color w:val="FF0000"/></w:rPr><w:t xml:space="preserve">«新名»</w:t></w:r>)"),
            std::string::npos) << xml;
  EXPECT_EQ(test::Count(xml, "<w:r>"), 3u);

  xml = *UnlinkField(xml, 0);  // a simple field leaves its runs in its place
  EXPECT_TRUE(ListFields(xml).empty());
  EXPECT_EQ(PartText(xml), "甲«新名»1\r");
}

TEST(FieldCodesTest, AFieldShowingNothingGetsARunFormattedLikeItsStart) {
  const std::string bare = Part(
      R"(<w:p><w:r><w:rPr><w:i/></w:rPr><w:fldChar w:fldCharType="begin"/></w:r>)"
      R"(<w:r><w:rPr><w:i/></w:rPr><w:instrText>MERGEFIELD 部门</w:instrText></w:r>)"
      R"(<w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)");
  std::string xml = *SetFieldResult(bare, 0, "«部门»");
  EXPECT_EQ(ListFields(xml)[0].result, "«部门»");
  xml = *UnlinkField(xml, 0);
  EXPECT_NE(xml.find(R"(<w:r><w:rPr><w:i/></w:rPr><w:t xml:space="preserve">«部门»</w:t></w:r>)"),
            std::string::npos) << xml;
  EXPECT_EQ(PartText(xml), "«部门»\r");
}

TEST(StoryPartTest, ReplaceFollowsTheFindRulesAndWritesBreaks) {
  std::string xml = Part(
      R"(<w:p><w:r><w:t>页眉 </w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>Na</w:t></w:r>)"
      R"(<w:r><w:t>me names</w:t></w:r><w:r><w:tab/><w:t>name</w:t></w:r></w:p>)"
      R"(<w:p><w:r><w:t>姓</w:t><w:tab/><w:t>名</w:t></w:r></w:p>)");
  PartFind whole;
  whole.whole_word = true;
  EXPECT_EQ(ReplaceInPart(xml, "name", nullptr, whole), 2);  // not inside "names"
  const std::string with = "甲\n乙";
  EXPECT_EQ(ReplaceInPart(xml, "NAME", &with, whole), 2);
  EXPECT_EQ(PartText(xml), "页眉 甲\v乙 names\t甲\v乙\r姓\t名\r");
  // The value took the formatting of the match's first character.
  EXPECT_NE(xml.find(R"(<w:rPr><w:b/></w:rPr><w:t xml:space="preserve">甲</w:t><w:br/>)"),
            std::string::npos) << xml;
  // A tab between the characters stops a match.
  EXPECT_EQ(ReplaceInPart(xml, "姓名", &with, whole), 0);
}

class FieldsObjectModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterEmbeddedServers(test::Engine());
    test::Engine().clipboard().content.reset();
    ASSERT_EQ(word_.start_new("word.application"), 0);
    word_.get("documents").call(
        "add", {Value(test::DataFile("word/merge_fields.docx").string()), Value(false), Value(0)});
  }
  void TearDown() override { word_.get("application").call("quit"); }
  Value Doc() { return word_.get("activedocument"); }
  static int32_t Long(const Value& v) { return v.long_value(); }
  static std::string Text(const Value& v) { return v.text(); }

  office::oleobject word_;
};

TEST_F(FieldsObjectModelTest, FieldsOfTheTextTablesAndTextBoxesAreUnlinkedIntoMarkedNames) {
  const Value fields = Doc().get("content").get("fields");
  // 姓名, 部门, ID, 职称, the table's 姓名 and 部门, and the text box's 部门 (written twice:
  // for readers of shapes and for those of the older drawing format).
  ASSERT_EQ(Long(fields.get("count")), 8);
  EXPECT_EQ(Long(fields.call("item", {3}).get("type")), kFieldMergeField);
  EXPECT_EQ(Text(fields.call("item", {3}).get("code").get("text")), R"( MERGEFIELD "ID" )");
  EXPECT_EQ(Text(fields.call("item", {3}).get("result").get("text")), "«ID»");
  for (int32_t i = Long(fields.get("count")); i >= 1; --i) {
    const Value field = fields.call("item", {i});
    field.get("result").set("text", "<" + std::to_string(i) + ">");
    field.call("unlink");
  }
  EXPECT_EQ(Long(Doc().get("fields").get("count")), 0);
  const std::string text = Text(Doc().get("content").get("text"));
  EXPECT_NE(text.find("尊敬的<1>：您已被<2>录用。"), std::string::npos) << text;
  EXPECT_NE(text.find("文本框：<7>"), std::string::npos) << text;
  EXPECT_NE(text.find("文本框：<8>"), std::string::npos) << text;

  // The text box is searched with the text it stands in: a copy of the template carries it.
  const Value found = Doc().get("content").get("find").call(
      "execute", {Value("<7>"), Value(false), Value(false), Value(false), Value(false),
                  Value(false), Value(true), Value(1), Value(true), Value("销售部"), Value(2)});
  EXPECT_TRUE(found.boolean());
  EXPECT_NE(Text(Doc().get("content").get("text")).find("文本框：销售部"), std::string::npos);
  // No field is left to take.
  EXPECT_ANY_THROW(fields.call("item", {1}).get("type"));
}

TEST_F(FieldsObjectModelTest, HeadersFootersAndStoryRanges) {
  const Value sections = Doc().get("sections");
  ASSERT_EQ(Long(sections.get("count")), 1);
  const Value headers = sections.call("item", {1}).get("headers");
  EXPECT_TRUE(headers.call("item", {1}).get("exists").boolean());
  EXPECT_FALSE(headers.call("item", {2}).get("exists").boolean());  // no first-page header
  EXPECT_ANY_THROW(headers.call("item", {2}).get("range"));
  const Value header = headers.call("item", {1}).get("range");
  EXPECT_EQ(Text(header.get("text")), "页眉 «姓名»\r");

  const Value footer = sections.call("item", {1}).get("footers").call("item", {1}).get("range");
  const Value fields = footer.get("fields");
  ASSERT_EQ(Long(fields.get("count")), 2);
  EXPECT_EQ(Long(fields.call("item", {2}).get("type")), kFieldPage);
  fields.call("item", {1}).get("result").set("text", "«ID»");
  fields.call("item", {1}).call("unlink");
  EXPECT_EQ(Long(footer.get("fields").get("count")), 1);

  // Find and replace in the header; the document's main text and footer are left alone.
  const auto replace = [](const Value& range, const std::string& find, const std::string& with) {
    return range.get("find").call(
        "execute", {Value(find), Value(false), Value(false), Value(false), Value(false),
                    Value(false), Value(true), Value(0), Value(true), Value(with), Value(2)});
  };
  EXPECT_TRUE(replace(header, "«姓名»", "张三").boolean());
  EXPECT_FALSE(replace(header, "«姓名»", "张三").boolean());
  EXPECT_EQ(Text(Doc().get("storyranges").call("item", {kPrimaryHeaderStory}).get("text")),
            "页眉 张三\r");
  EXPECT_EQ(Text(footer.get("text")), "页脚 «ID» 第 1 页\r");
  EXPECT_EQ(Long(Doc().get("footnotes").get("count")), 0);
  EXPECT_ANY_THROW(Doc().get("storyranges").call("item", {2}));  // no footnotes

  // What is saved carries the filled header.
  const test::ScratchDir dir;
  const std::string out = (dir.path() / "页眉.docx").string();
  Doc().call("saveas", {Value(out)});
  const std::string saved = test::Part(out, "word/header1.xml");
  EXPECT_NE(saved.find(R"(<w:rPr><w:b/></w:rPr><w:t xml:space="preserve">张三</w:t>)"), std::string::npos)
      << saved;
  EXPECT_EQ(saved.find("«姓名»"), std::string::npos);
}

}  // namespace
}  // namespace vexlo::engine::word
