// The check before writing on a template's text: which titles stand inside longer text (a CJK
// neighbour does not stop the replacement), which are only ever part of a longer title, and the
// order that replaces a longer title before one it contains.
#include "merge/pre_write_check.h"

#include <gtest/gtest.h>

#include "merge/document_generation.h"

namespace vexlo::merge {
namespace {

using Titles = std::vector<std::string>;

TEST(ReplacementOrderTest, ALongerTitleGoesBeforeEveryTitleItHolds) {
  // Column order otherwise: 姓名 stays first, 实发工资大写 jumps ahead of 实发工资, and a title
  // held by two longer ones comes after both.
  EXPECT_EQ(ReplacementOrder({"姓名", "实发工资", "公积金", "实发工资大写"}),
            (std::vector<std::size_t>{0, 3, 1, 2}));
  EXPECT_EQ(ReplacementOrder({"ID", "PAYID", "id2"}), (std::vector<std::size_t>{1, 2, 0}));
  EXPECT_EQ(ReplacementOrder({"A", "A"}), (std::vector<std::size_t>{0, 1}));
}

TEST(TitlesInsideTextTest, OnlyPlacesThatWouldBreakALabelAreNamed) {
  const std::string text =
      "工资条\r员工：姓名\r实发：实发工资 元\r大写：实发工资大写\r公积金比例：12%\r缴存：公积金 元\r"
      "IDENTITY ID\r公积金比例：8%\r";
  const Titles titles = {"姓名", "实发工资", "实发工资大写", "公积金", "ID"};
  const std::vector<TitleInText> found = TitlesInsideText(text, titles);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].title, "公积金");
  EXPECT_EQ(found[0].context, "公积金比例：12%");
  EXPECT_EQ(found[1].context, "公积金比例：8%");
  EXPECT_EQ(FindingLines({found, {}, {}, {}, {}}),
            (Titles{"开始制作前检查发现：", "以下标题出现在更长的文字中间，替换后会与前后文字连在一起：",
                    "  “公积金”在“公积金比例：12%”中", "  “公积金”在“公积金比例：8%”中"}));
  // The same context twice is one line with its count; a title next to a value is not inside
  // text (the value is a boundary once put in).
  const std::vector<TitleInText> twice = TitlesInsideText("月工资\r月工资\r姓名部门\r", {"工资", "姓名", "部门"});
  ASSERT_EQ(twice.size(), 1u);
  EXPECT_EQ(twice[0].count, 2);
  EXPECT_EQ(twice[0].context, "月工资");
}

TEST(TitlesInsideTextTest, ATitleOnlyPartOfALongerOneIsNeverFilled) {
  EXPECT_EQ(TitlesOnlyInsideLonger("大写：实发工资大写\r", {"实发工资", "实发工资大写"}),
            Titles{"实发工资"});
  EXPECT_EQ(TitlesOnlyInsideLonger("实发工资 实发工资大写\r", {"实发工资", "实发工资大写"}), Titles{});
  // Case is ignored as the replacement ignores it.
  EXPECT_EQ(TitlesOnlyInsideLonger("PayID\r", {"payid", "ID"}), Titles{});
}

TEST(SkippedLinesTest, EachKindOfRowLeftOutHasItsLine) {
  SkippedRows skipped;
  EXPECT_TRUE(SkippedLines(skipped).empty());
  skipped = {5, 2, 1000, 201};
  EXPECT_EQ(skipped.total(), 203);
  EXPECT_EQ(SkippedLines(skipped),
            (Titles{"第 5 行第一列为空，数据在此结束：此后还有 2 行数据没有输出。请删除空行或填写第一列后再试。",
                    "每次最多输出到第 1000 行：其后的 201 行数据没有输出。请把它们另存为一个数据文件再制作一次。"}));
}

}  // namespace
}  // namespace vexlo::merge
