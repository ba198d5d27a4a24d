// The pieces a choice of records is written in on the command line, the rows of totals, the
// password a record's value gives and the names a pattern of titles gives.
#include "merge/record_choice.h"

#include <gtest/gtest.h>

#include <climits>

#include "merge/output_naming.h"
#include "merge/record_plan.h"

namespace vexlo::merge {
namespace {

TEST(RecordChoiceTest, FiltersAndRowRangesParse) {
  const auto equal = ParseRecordFilter(" 部门 = 销售部 ");
  ASSERT_TRUE(equal);
  EXPECT_EQ(equal->title, "部门");
  EXPECT_EQ(equal->value, "销售部");
  EXPECT_FALSE(equal->contains);
  // The first sign splits: a value may hold = or ~ itself.
  const auto contains = ParseRecordFilter("备注~a=b");
  ASSERT_TRUE(contains);
  EXPECT_TRUE(contains->contains);
  EXPECT_EQ(contains->value, "a=b");
  EXPECT_FALSE(ParseRecordFilter("部门"));
  EXPECT_FALSE(ParseRecordFilter("=销售部"));

  const auto rows = ParseRowRanges("2-50, 60,70-");
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 3u);
  EXPECT_EQ((*rows)[0].first, 2);
  EXPECT_EQ((*rows)[0].last, 50);
  EXPECT_EQ((*rows)[1].first, 60);
  EXPECT_EQ((*rows)[1].last, 60);
  EXPECT_EQ((*rows)[2].last, INT_MAX);
  for (const char* bad : {"", "1-5", "50-2", "a-b", "2-5,", "2--5", "3.5"}) {
    EXPECT_FALSE(ParseRowRanges(bad)) << bad;
  }
}

TEST(RecordChoiceTest, TotalsRowsAndFilterMatching) {
  for (const char* totals : {"合计", " 合  计 ", "小计", "总\xE3\x80\x80计"}) EXPECT_TRUE(IsTotalsRow(totals)) << totals;
  for (const char* name : {"合计工资", "张合计", "计"}) EXPECT_FALSE(IsTotalsRow(name)) << name;
  EXPECT_TRUE(MeetsFilter({"部门", "销售部", false}, " 销售部 "));
  EXPECT_FALSE(MeetsFilter({"部门", "销售部", false}, "销售部一组"));
  EXPECT_TRUE(MeetsFilter({"部门", "销售", true}, "华东销售部"));
}

TEST(RecordChoiceTest, PasswordIsTheValueOrItsLastCharacters) {
  EXPECT_EQ(PdfPassword(" 11010119900202567X ", 6), "02567X");
  EXPECT_EQ(PdfPassword("11010119900202567X", 0), "11010119900202567X");
  // Characters, not bytes.
  EXPECT_EQ(PdfPassword("张伟伟", 2), "伟伟");
  EXPECT_EQ(PdfPassword("张伟", 2), "张伟");
  EXPECT_FALSE(PdfPassword("张伟", 3));
  EXPECT_FALSE(PdfPassword("   ", 0));
  EXPECT_FALSE(PdfPassword("", 6));
}

TEST(RecordChoiceTest, PatternNamesItsTitlesAndTakesTheirValues) {
  const std::string pattern = "{工号}_{姓名}_2026年11月{";
  EXPECT_EQ(PatternTitles(pattern), (std::vector<std::string>{"工号", "姓名"}));
  const std::string name = ExpandNamePattern(pattern, [](const std::string& t) {
    return t == "工号" ? std::string("0012") : std::string("王/五");
  });
  EXPECT_EQ(name, "0012_王/五_2026年11月{");
  EXPECT_EQ(SafeFileName(name), "0012_王_五_2026年11月{");
}

}  // namespace
}  // namespace vexlo::merge
