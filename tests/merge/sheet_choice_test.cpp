// Which sheet a --sheet value or the window's list stands for: a sheet's name wins over a
// number (a sheet may be called "2024"), names ignore the case of Latin letters, numbers count
// from 1; the message for a name that matches nothing lists the sheets.
#include "merge/sheet_choice.h"

#include <gtest/gtest.h>

namespace vexlo::merge {
namespace {

TEST(SheetChoice, NameFirstThenNumber) {
  const SheetList sheets{{"说明", "2", "Pay"}, 0};
  EXPECT_EQ(FindSheet(sheets, "说明"), 0);
  EXPECT_EQ(FindSheet(sheets, "pAY"), 2);
  EXPECT_EQ(FindSheet(sheets, "2"), 1);  // the sheet named "2", not the second one
  EXPECT_EQ(FindSheet(sheets, "3"), 2);
  EXPECT_EQ(FindSheet(sheets, "1"), 0);
  for (const char* nothing : {"0", "4", "-1", "2 ", "工资", ""}) {
    EXPECT_EQ(FindSheet(sheets, nothing), std::nullopt) << nothing;
  }
  EXPECT_EQ(UnknownSheetText("d.xlsx", "工资", sheets),
            "数据文件“d.xlsx”中没有名为“工资”的工作表。它的工作表有：“说明”、“2”、“Pay”"
            "（也可以用序号 1 到 3 指定）。");
}

}  // namespace
}  // namespace vexlo::merge
