// The general value-to-text conversion and the argument coercions.
#include "office/value.h"

#include <gtest/gtest.h>

#include "app/runtime_error.h"

namespace vexlo::office {
namespace {

std::string T(const Value& v) { return ToText(v).value_or("<null>"); }

TEST(ToText, NumbersAreTheShortestTextAtFifteenDigits) {
  EXPECT_EQ(T(12.5), "12.5");
  EXPECT_EQ(T(3.0), "3");
  EXPECT_EQ(T(19.99), "19.99");
  EXPECT_EQ(T(0.1 + 0.2), "0.3");
  EXPECT_EQ(T(-0.0), "0");
  EXPECT_EQ(T(-1234567.125), "-1234567.125");
  EXPECT_EQ(T(123456789012345.0), "123456789012345");
  EXPECT_EQ(T(1e20), "1E+20");
  EXPECT_EQ(T(int32_t{-7}), "-7");
}

TEST(ToText, DatesWithAndWithoutTimeOfDay) {
  EXPECT_EQ(T(Date{43890}), "2020/2/29");
  EXPECT_EQ(T(Date{43890 + (13 * 3600 + 5 * 60) / 86400.0}), "2020/2/29 13:05:00");
  EXPECT_EQ(T(Date{1}), "1899/12/31");
  // A time-formatted cell holds a time without a date: no 1899/12/30 in front of it.
  EXPECT_EQ(T(Date{0.5}), "12:00:00");
  EXPECT_EQ(T(Date{(13 * 3600 + 5 * 60) / 86400.0}), "13:05:00");
  EXPECT_EQ(T(Date{43890.99999999}), "2020/3/1");  // rounds to the nearest second
}

TEST(ToText, OtherKinds) {
  EXPECT_EQ(T(Value()), "<null>");
  EXPECT_EQ(T(true), "TRUE");
  EXPECT_EQ(T(false), "FALSE");
  EXPECT_EQ(T(" 姓名 "), " 姓名 ");
  EXPECT_EQ(T("#N/A"), "#N/A");
}

TEST(ArgCoercion, FollowsAutomationRules) {
  EXPECT_EQ(ArgLong(Value("3"), "printout", 8), 3);
  EXPECT_EQ(ArgLong(Value(2.5), "m", 1), 2);  // half to even
  EXPECT_EQ(ArgLong(Value(3.5), "m", 1), 4);
  EXPECT_EQ(ArgLong(Value(true), "m", 1), -1);
  EXPECT_TRUE(ArgBool(Value(int32_t{2}), "m", 1));
  EXPECT_FALSE(ArgBool(Value("false"), "m", 1));
  EXPECT_EQ(ArgText(Value(int32_t{17}), "m", 1), "17");
  EXPECT_THROW(ArgLong(Value("abc"), "m", 1), app::RuntimeError);
  EXPECT_THROW(ArgLong(Value(1e12), "m", 1), app::RuntimeError);
  EXPECT_THROW(ArgText(Value(), "m", 1), app::RuntimeError);
}

}  // namespace
}  // namespace vexlo::office
