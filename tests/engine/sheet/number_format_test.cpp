#include "office/engine/sheet/number_format.h"

#include <gtest/gtest.h>

namespace vexlo::engine::sheet {
namespace {

TEST(NumberFormat, TellsDatesFromNumbers) {
  for (const char* date :
       {"yyyy/m/d", "m/d/yy h:mm", "[$-804]yyyy\"年\"m\"月\"d\"日\"", "h:mm AM/PM", "[h]:mm:ss",
        "d-mmm", "[Red]yyyy-mm-dd", "ggge\"年\"m\"月\"d\"日\""}) {
    EXPECT_TRUE(IsDateFormatCode(date)) << date;
  }
  for (const char* number :
       {"General", "0.00", "#,##0.00", "\"¥\"#,##0.00", "0.00E+00", "@", "\"day\"0", "0\\d",
        "[Red]0.00", "0.00;[Red]-0.00;\"d\"", "_(* #,##0_)"}) {
    EXPECT_FALSE(IsDateFormatCode(number)) << number;
  }
  EXPECT_TRUE(IsBuiltinDateFormat(14));
  EXPECT_TRUE(IsBuiltinDateFormat(22));
  EXPECT_TRUE(IsBuiltinDateFormat(57));
  EXPECT_FALSE(IsBuiltinDateFormat(0));
  EXPECT_FALSE(IsBuiltinDateFormat(7));
  EXPECT_FALSE(IsBuiltinDateFormat(49));
}

}  // namespace
}  // namespace vexlo::engine::sheet
