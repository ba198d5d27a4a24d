// The merge's mail texts: subjects and bodies filled like the document, the check's lines about
// addresses, and the final message's counts of messages sent, skipped and not sent.
#include <gtest/gtest.h>

#include "merge/mail_stage.h"
#include "merge/merge_session.h"
#include "merge/run_stages.h"

namespace vexlo::merge {
namespace {

TEST(MailTexts, SubjectsAreFilledLikeTheDocument) {
  const std::vector<std::string> titles = {"ID", "姓名", "IDENTITY", "实发工资", "实发工资大写"};
  const std::vector<std::string> values = {"007", "张伟", "身份", "5600", "伍仟陆佰元整"};
  // Longer titles first, case ignored, whole words only for letters; a value is never searched.
  EXPECT_EQ(FillTitles("姓名：实发工资（实发工资大写），id ID identity IDs", titles, values),
            "张伟：5600（伍仟陆佰元整），007 007 身份 IDs");
  EXPECT_EQ(FillTitles("姓名", {"姓名", "张"}, {"张三", "X"}), "张三");
  EXPECT_EQ(FillTitles("无标题", titles, values), "无标题");
}

TEST(MailTexts, ContentKeysDependOnEveryValueAndItsPlace) {
  EXPECT_EQ(ContentKey({"张伟", "5600"}), ContentKey({"张伟", "5600"}));
  EXPECT_NE(ContentKey({"张伟", "5600"}), ContentKey({"张伟", "5601"}));
  EXPECT_NE(ContentKey({"ab", "c"}), ContentKey({"a", "bc"}));
  EXPECT_EQ(ContentKey({"x"}).size(), 16u);
}

TEST(MailTexts, TheCheckNamesRepeatedAndUnusableAddresses) {
  const std::vector<std::string> lines = AddressFindings({{1, "张伟", "zhang@x.cn"},
                                                          {2, "李娜", ""},
                                                          {3, "王芳", "ZHANG@x.cn"},
                                                          {4, "刘洋", "liu@x"},
                                                          {5, "陈静", "chen@x.cn"}});
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[0].find("相同"), std::string::npos);
  EXPECT_EQ(lines[1], "  第 3 条“王芳”与第 1 条“张伟”的地址都是“ZHANG@x.cn”");
  EXPECT_NE(lines[2].find("不会发送"), std::string::npos);
  EXPECT_EQ(lines[3], "  第 2 条“李娜”：没有邮件地址");
  EXPECT_EQ(lines[4], "  第 4 条“刘洋”：邮件地址“liu@x”格式不对");
  EXPECT_TRUE(AddressFindings({{1, "张伟", "zhang@x.cn"}, {2, "李娜", "li@x.cn"}}).empty());
}

TEST(MailTexts, TheFinalMessageCountsMessages) {
  MergeSummary summary;
  summary.outcome = MergeOutcome::kSucceeded;
  summary.documents = summary.pdfs = 5;
  summary.folder = "/输出";
  delivery::DeliveryReport report;
  report.sent = 5;
  summary.mail = report;
  FinalMessage m = FinalMessageOf(summary);
  EXPECT_EQ(m.headline, "您已成功执行了操作！");
  EXPECT_EQ(m.details[1], "已发送 5 封邮件。");

  report.sent = 2;
  report.skipped = 1;
  report.failed = {{4, "刘洋", "liu@x.cn", "服务器拒收：550 no such user"}};
  report.not_sent = 1;
  report.stopped = "服务器拒绝登录";
  summary.mail = report;
  m = FinalMessageOf(summary);
  EXPECT_EQ(m.headline, "操作已完成，但有 2 封邮件没有发出（见下）。");
  const std::vector<std::string> expected = {
      "已发送 2 封邮件，1 封以前已发送过（见“送达记录.csv”），这次没有再发。",
      "发送已停止：服务器拒绝登录。",
      "还有 1 封没有发送；再次运行时只发送没有送达记录的邮件。",
      "以下 1 封邮件没有发出：",
      "  第 4 条“刘洋” <liu@x.cn>：服务器拒收：550 no such user"};
  EXPECT_EQ(std::vector<std::string>(m.details.begin() + 1, m.details.end()), expected);
  EXPECT_EQ(StageName(MergeStage::kMailing), "正在发送邮件");
  EXPECT_EQ(StageCountText(MergeStage::kMailing, 3, 200), "第 3 封，共 200 封");
}

}  // namespace
}  // namespace vexlo::merge
