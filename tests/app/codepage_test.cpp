#include "app/codepage.h"

#include <gtest/gtest.h>

namespace vexlo::app {
namespace {

TEST(Codepage, RoundTripsChineseAndReplacesWhatCp936CannotHold) {
  EXPECT_EQ(Utf8ToCp936("代号"), "\xB4\xFA\xBA\xC5");
  EXPECT_EQ(Cp936ToUtf8("\xB4\xFA\xBA\xC5"), "代号");
  EXPECT_EQ(Utf8ToCp936("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToCp936("a\xFF" "b"), "a?b");
  EXPECT_EQ(Cp936ToUtf8("a\xB4"), "a\xEF\xBF\xBD");  // truncated two-byte character
}

TEST(Codepage, OtherCodePagesByName) {
  std::string out;
  ASSERT_TRUE(ToUtf8("CP1252", "caf\xE9", out));
  EXPECT_EQ(out, "café");
  EXPECT_FALSE(ToUtf8("NO-SUCH-CODEPAGE", "x", out));
}

}  // namespace
}  // namespace vexlo::app
