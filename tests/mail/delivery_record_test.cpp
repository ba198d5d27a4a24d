// The delivery record: lines read back after a restart, fields with commas, quotes and line
// breaks, one header with its byte order mark, and a line cut short by a killed run ignored and
// removed before the next one.
#include <gtest/gtest.h>

#include "delivery/delivery_record.h"
#include "tests/support/test_paths.h"

namespace vexlo::delivery {
namespace {

DeliveryEntry Entry(const std::string& record, const std::string& address) {
  return {record, address, record + ".pdf", "2026-11-30 14:05:09", "250 OK", "<1@x.cn>", "k1"};
}

TEST(DeliveryRecord, WhatWasSentIsKnownAfterARestart) {
  test::ScratchDir dir;
  const std::string path = (dir / kDeliveryRecordName).string();
  {
    DeliveryRecord record;
    ASSERT_EQ(record.Open(path), std::nullopt);
    EXPECT_FALSE(record.Sent("zhang@x.cn", "张伟.pdf", "k1"));
    ASSERT_EQ(record.Append(Entry("张伟", "zhang@x.cn")), std::nullopt);
    DeliveryEntry odd = Entry("王, \"小\"\n芳", "wang@x.cn");
    odd.answer = "250 OK, queued";
    ASSERT_EQ(record.Append(odd), std::nullopt);
    EXPECT_TRUE(record.Sent("zhang@x.cn", "张伟.pdf", "k1"));
  }
  const std::string bytes = test::ReadFile(path);
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF记录,地址,文件,时间,服务器应答,邮件标识,内容摘要\r\n", 0), 0u);
  EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 3), std::string::npos);
  const auto lines = ParseCsvLines(bytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2][0], "王, \"小\"\n芳");
  EXPECT_EQ(lines[2][4], "250 OK, queued");

  DeliveryRecord again;
  ASSERT_EQ(again.Open(path), std::nullopt);
  EXPECT_TRUE(again.Sent("ZHANG@x.cn", "张伟.pdf", "k1"));        // addresses ignore case
  EXPECT_TRUE(again.Sent("wang@x.cn", "王, \"小\"\n芳.pdf", "k1"));
  EXPECT_FALSE(again.Sent("zhang@x.cn", "张伟.pdf", "k2"));       // other data: a new message
  EXPECT_FALSE(again.Sent("zhang@x.cn", "张伟 (2).pdf", "k1"));
}

TEST(DeliveryRecord, ALineCutShortIsIgnoredAndReplaced) {
  test::ScratchDir dir;
  const std::string path = (dir / kDeliveryRecordName).string();
  {
    DeliveryRecord record;
    ASSERT_EQ(record.Open(path), std::nullopt);
    ASSERT_EQ(record.Append(Entry("张伟", "zhang@x.cn")), std::nullopt);
  }
  // A run killed in the middle of its next line, inside a quoted field.
  test::WriteFile(path, test::ReadFile(path) + "李娜,li@x.cn,李娜.pdf,2026-11-30,\"250 O");
  DeliveryRecord record;
  ASSERT_EQ(record.Open(path), std::nullopt);
  EXPECT_TRUE(record.Sent("zhang@x.cn", "张伟.pdf", "k1"));
  EXPECT_FALSE(record.Sent("li@x.cn", "李娜.pdf", "k1"));
  ASSERT_EQ(record.Append(Entry("李娜", "li@x.cn")), std::nullopt);
  const auto lines = ParseCsvLines(test::ReadFile(path));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2][0], "李娜");
  EXPECT_EQ(lines[2][4], "250 OK");
}

TEST(DeliveryRecord, AFolderInItsPlaceIsRefused) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir / kDeliveryRecordName);
  DeliveryRecord record;
  EXPECT_NE(record.Open((dir / kDeliveryRecordName).string()), std::nullopt);
}

}  // namespace
}  // namespace vexlo::delivery
