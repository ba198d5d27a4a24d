// How templates mark their titles, read through the embedded word processor: merge fields,
// «» and {} marks, bare titles; the names that match no column; the template document with its
// merge fields turned into marked text.
#include <gtest/gtest.h>

#include "merge/placeholders.h"
#include "office/engine/register_servers.h"
#include "office/engine/word/word_selection.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

using office::Value;
using Names = std::vector<std::string>;

TEST(MergeFieldNameTest, QuotedSwitchedAndOtherFields) {
  EXPECT_EQ(MergeFieldName(" MERGEFIELD 姓名 "), "姓名");
  EXPECT_EQ(MergeFieldName(R"( MERGEFIELD 姓名 \* MERGEFORMAT )"), "姓名");
  EXPECT_EQ(MergeFieldName(R"(MERGEFIELD "实发 工资" \* MERGEFORMAT)"), "实发 工资");
  EXPECT_EQ(MergeFieldName(" mergefield  Name\\b x"), "Name");
  EXPECT_EQ(MergeFieldName(" MERGEFIELD "), "");
  EXPECT_EQ(MergeFieldName(" PAGE "), "");
  EXPECT_EQ(MergeFieldName(" MERGEFIELDS 姓名"), "");
}

class PlaceholdersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    test::Engine().clipboard().content.reset();
    ASSERT_EQ(word_.start_new("word.application"), 0);
  }
  void TearDown() override { word_.get("application").call("quit"); }

  TemplatePlaceholders Read(const std::string& fixture, const Names& titles) {
    word_.get("documents").call(
        "add", {Value(test::DataFile("word/" + fixture).string()), Value(false), Value(0)});
    return ReadPlaceholders(word_, titles);
  }
  int32_t Count(const Value& fields) { return fields.get("count").long_value(); }

  office::oleobject word_;
};

TEST_F(PlaceholdersTest, MergeFieldsBecomeMarkedNamesInEveryStory) {
  const Names titles = {"姓名", "部门", "ID", "地址"};
  const TemplatePlaceholders p = Read("merge_fields.docx", titles);
  EXPECT_EQ(p.mode, PlaceholderMode::kFields);
  EXPECT_EQ(p.names, Names({"姓名", "部门", "ID", "职称"}));
  EXPECT_EQ(p.unmatched, Names({"职称"}));
  EXPECT_TRUE(p.in_other_stories);
  EXPECT_EQ(p.TitlesWithoutPlaceholder(titles), Names({"地址"}));
  ASSERT_EQ(p.SearchTexts("部门").size(), 1u);
  EXPECT_EQ(p.SearchTexts("部门")[0].text, "«部门»");
  EXPECT_FALSE(p.SearchTexts("部门")[0].whole_word);

  PrepareTemplate(word_, p);
  const Value doc = word_.get("activedocument");
  EXPECT_EQ(Count(doc.get("fields")), 0);
  const std::string text = doc.get("content").get("text").text();
  EXPECT_NE(text.find("尊敬的«姓名»：您已被«部门»录用。"), std::string::npos) << text;
  EXPECT_NE(text.find("工号：«ID»，职称：«职称»。"), std::string::npos) << text;
  const std::vector<Value> others = OtherStoryRanges(doc);
  ASSERT_EQ(others.size(), 2u);  // the header and the footer
  EXPECT_EQ(others[0].get("text").text(), "页眉 «姓名»\r");
  EXPECT_EQ(others[1].get("text").text(), "页脚 «ID» 第 1 页\r");
  EXPECT_EQ(Count(others[1].get("fields")), 1);  // the page number stays a field
}

TEST_F(PlaceholdersTest, MarkedTitlesCountOnlyWhereTheyNameAColumn) {
  TemplatePlaceholders p = Read("marked_titles.docx", {"姓名", "部门", "ID"});
  EXPECT_EQ(p.mode, PlaceholderMode::kGuillemets);
  EXPECT_EQ(p.unmatched, Names({"未知"}));
  EXPECT_TRUE(p.in_other_stories);

  // {姓名} and {工号} throughout; matching is case-blind like the replacement.
  p = Read("payslip_tags.docx", {"姓名", "工号"});
  EXPECT_EQ(p.mode, PlaceholderMode::kBraces);
  EXPECT_EQ(p.SearchTexts("姓名")[0].text, "{姓名}");
  EXPECT_EQ(p.unmatched.size(), 10u);  // the template's other ten tags
  EXPECT_FALSE(p.in_other_stories);

  // Braces that name no column are ordinary text: the bare titles stay the placeholders.
  p = Read("payslip_tags.docx", {"甲", "乙"});
  EXPECT_EQ(p.mode, PlaceholderMode::kPlain);
  EXPECT_TRUE(p.unmatched.empty());
  EXPECT_TRUE(p.SearchTexts("甲")[0].whole_word);
}

TEST_F(PlaceholdersTest, BareTitlesInHeadersAreFoundToo) {
  TemplatePlaceholders p = Read("features.docx", {"姓名", "部门"});
  EXPECT_EQ(p.mode, PlaceholderMode::kPlain);
  EXPECT_TRUE(p.in_other_stories);  // "页眉 姓名"
  EXPECT_TRUE(p.TitlesWithoutPlaceholder({"姓名", "不存在"}).empty());
  p = Read("notitles.docx", {"姓名"});
  EXPECT_FALSE(p.in_other_stories);
}

TEST(UnmatchedPlaceholdersNoteTest, NamesEachOnceAndCountsTheRest) {
  EXPECT_FALSE(UnmatchedPlaceholdersNote({}));
  EXPECT_EQ(*UnmatchedPlaceholdersNote({"职称", "地址"}),
            "模板中的以下占位符没有对应的列标题，将原样保留：“职称”、“地址”。"
            "请检查模板中的域名或标记与数据文件的列标题是否一致。");
  Names many;
  for (int i = 0; i < 25; ++i) many.push_back("列" + std::to_string(i));
  EXPECT_NE(UnmatchedPlaceholdersNote(many)->find("“列19”等 25 个。"), std::string::npos);
}

}  // namespace
}  // namespace vexlo::merge
