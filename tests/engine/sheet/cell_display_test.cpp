#include "office/engine/sheet/cell_display.h"

#include <gtest/gtest.h>

#include "office/engine/sheet/chinese_numerals.h"

namespace vexlo::engine::sheet {
namespace {

struct Case {
  double value;
  const char* code;
  const char* shown;
};

void ExpectShown(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(ShownNumber(c.value, c.code), c.shown) << c.value << " through " << c.code;
  }
}

TEST(CellDisplay, GeneralFitsElevenCharacters) {
  ExpectShown({{5600.2, "General", "5600.2"},
               {0, "General", "0"},
               {-12.5, "General", "-12.5"},
               {1.0 / 3, "General", "0.333333333"},
               {123456789012.0, "General", "1.23457E+11"},
               {0.00001234, "General", "1.234E-05"},
               {0.1 + 0.2, "General", "0.3"},
               {12345678901.0, "", "12345678901"}});
}

TEST(CellDisplay, DecimalsSeparatorsAndScaling) {
  ExpectShown({{5600.2, "#,##0.00", "5,600.20"},
               {0, "0.00", "0.00"},
               {2.675, "0.00", "2.68"},
               {0.125, "0.00", "0.13"},
               {1234567.891, "#,##0", "1,234,568"},
               {123, "000000", "000123"},
               {1.5, "#.##", "1.5"},
               {2, "#.##", "2."},
               {0, "#,###", ""},
               {12345678, "#,##0,,\"M\"", "12M"},
               {1234.5, "0.0??", "1234.5  "},
               {5551234, "000-0000", "555-1234"},
               {999.999, "#,##0.00", "1,000.00"}});
}

TEST(CellDisplay, PercentCurrencyAndLiterals) {
  ExpectShown({{0.15, "0%", "15%"},
               {0.1234, "0.00%", "12.34%"},
               {1234.5, "\"¥\"#,##0.00", "¥1,234.50"},
               {1234.5, "[$¥-804]#,##0.00", "¥1,234.50"},
               {-1234.5, "$#,##0.00_);($#,##0.00)", "($1,234.50)"},
               {12, "0\"件\"", "12件"},
               {12, "0\\k\\g", "12kg"},
               {3, "\"第\"0\"名\"", "第3名"},
               {42, "_(* #,##0_)", " 42 "}});
}

TEST(CellDisplay, SectionsAndConditions) {
  ExpectShown({{-5, "0.00;[Red]-0.00", "-5.00"},
               {-5, "0.00;(0.00)", "(5.00)"},
               {0, "0;-0;\"零\"", "零"},
               {-5, "0;[红色]0", "5"},
               {1500, "[>=1000]#,##0;0.0", "1,500"},
               {999, "[>=1000]#,##0;0.0", "999.0"},
               {-3, "[>=1000]#,##0;0.0", "-3.0"},
               {-3, "[<0]\"负\"0;0", "负3"},
               {5, "[>10]\"大\";[<0]\"负\";\"小\"", "小"},
               {-5, "-0", "--5"}});
  EXPECT_EQ(ShownText("abc", "0;-0;0;\"[\"@\"]\""), "[abc]");
  EXPECT_EQ(ShownText("abc", "@"), "abc");
  EXPECT_EQ(ShownText("abc", "0.00"), "abc");
  EXPECT_EQ(ShownNumber(12.5, "@"), "12.5");
}

TEST(CellDisplay, FractionsAndScientific) {
  ExpectShown({{1.5, "# ?/?", "1 1/2"},
               {0.75, "?/?", "3/4"},
               {3.14159, "# ?\?/??", "3 14/99"},
               {2, "# ?/?", "2    "},
               {0.3, "# ?/8", " 2/8"},
               {1234.5, "0.00E+00", "1.23E+03"},
               {0.000123, "0.00E+00", "1.23E-04"},
               {12345, "##0.0E+0", "12.3E+3"},
               {0, "0.00E+00", "0.00E+00"}});
}

TEST(CellDisplay, DatesInEveryPattern) {
  const double day = 46336;  // 2026-11-10, a Tuesday
  ExpectShown({{day, "yyyy\"年\"m\"月\"", "2026年11月"},
               {day, "yyyy/m/d", "2026/11/10"},
               {day, "yyyy-mm-dd", "2026-11-10"},
               {day, "d-mmm-yy", "10-Nov-26"},
               {day, "mmmm d, yyyy", "November 10, 2026"},
               {day, "dddd", "Tuesday"},
               {day, "aaaa", "星期二"},
               {day, "aaa", "二"},
               {day, "[$-804]ddd", "周二"},
               {day, "[$-804]mmmm", "十一月"},
               {1, "yyyy-mm-dd", "1900-01-01"},
               {60, "yyyy-mm-dd", "1900-02-29"},
               {61, "yyyy-mm-dd dddd", "1900-03-01 Thursday"},
               {0, "yyyy-mm-dd", "1900-01-00"}});
  EXPECT_EQ(ShownNumber(day - 1462, "yyyy-mm-dd", true), "2026-11-10");
}

TEST(CellDisplay, TimesAndElapsedTime) {
  const double t = 46336 + (15 * 3600 + 4 * 60 + 5.6) / 86400.0;
  ExpectShown({{t, "h:mm", "15:04"},
               {t, "hh:mm:ss", "15:04:06"},
               {t, "h:mm AM/PM", "3:04 PM"},
               {t, "上午/下午h\"时\"mm\"分\"", "下午3时04分"},
               {t, "[$-804]h:mm AM/PM", "3:04 下午"},
               {t, "mm:ss.0", "04:05.6"},
               {1.5, "[h]:mm", "36:00"},
               {0.25, "[mm]", "360"},
               {0.99999999, "h:mm:ss", "0:00:00"}});
  EXPECT_EQ(ShownNumber(1.5, "[h]:mm", true), "36:00");
}

TEST(CellDisplay, ChineseNumerals) {
  ExpectShown({{1234, "[DBNum1]General", "一千二百三十四"},
               {1234.5, "[DBNum2][$-804]General\"元\"", "壹仟贰佰叁拾肆.伍元"},
               {15, "[DBNum1]0", "十五"},
               {15, "[DBNum2]0", "壹拾伍"},
               {46336, "[DBNum1]yyyy\"年\"m\"月\"d\"日\"", "二〇二六年十一月十日"}});
  EXPECT_EQ(ChineseNumber("10001", 1), "一万〇一");
  EXPECT_EQ(ChineseNumber("100000", 1), "十万");
  EXPECT_EQ(ChineseNumber("120000000", 2), "壹亿贰仟万");
  EXPECT_EQ(ChineseNumber("0", 2), "零");
  EXPECT_EQ(ChineseNumber("78901234", 1), "七千八百九十万一千二百三十四");
  EXPECT_EQ(ChineseNumber("100001000", 1), "一亿〇一千");
}

TEST(CellDisplay, BuiltinFormatsOfTheChineseLocale) {
  EXPECT_EQ(ShownNumber(0.15, BuiltinFormatCode(9)), "15%");
  EXPECT_EQ(ShownNumber(46336, BuiltinFormatCode(14)), "2026/11/10");
  EXPECT_EQ(ShownNumber(46336, BuiltinFormatCode(57)), "2026年11月");
  EXPECT_EQ(ShownNumber(46336, BuiltinFormatCode(58)), "11月10日");
  EXPECT_EQ(ShownNumber(5600.2, BuiltinFormatCode(0)), "5600.2");
}

}  // namespace
}  // namespace vexlo::engine::sheet
