// Message building: base64, encoded words and file-name parameters that decode to the Chinese
// text they were made from, addresses, no header injected through a value, and the pace.
#include <gtest/gtest.h>

#include <sstream>

#include "delivery/mail_encoding.h"
#include "delivery/mail_message.h"
#include "delivery/send_pacing.h"

namespace vexlo::delivery {
namespace {

std::string Unbase64(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    const std::size_t v = alphabet.find(c);
    if (v == std::string::npos) continue;
    value = value << 6 | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

TEST(MailEncoding, Base64MatchesTheStandardAndBreaksLines) {
  EXPECT_EQ(Base64Lines(""), "");
  EXPECT_EQ(Base64Lines("f"), "Zg==\r\n");
  EXPECT_EQ(Base64Lines("fo"), "Zm8=\r\n");
  EXPECT_EQ(Base64Lines("foobar"), "Zm9vYmFy\r\n");
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 37 % 256);
  const std::string encoded = Base64Lines(bytes);
  for (const std::string& line : Lines(encoded)) EXPECT_LE(line.size(), 76u);
  EXPECT_EQ(Unbase64(encoded), bytes);
}

TEST(MailEncoding, HeaderWordsAreShortAndDecodeToWholeCharacters) {
  EXPECT_EQ(HeaderText("Pay slip 11/2026"), "Pay slip 11/2026");
  const std::string subject = "张伟：2026年11月工资条（含补发的加班费、交通补贴和年终奖说明）";
  const std::string words = HeaderText(subject);
  std::string decoded;
  for (std::string line : Lines(words)) {
    if (line.front() == ' ') line.erase(0, 1);
    ASSERT_LE(line.size(), 67u);  // fits after "Subject: " in 76
    ASSERT_EQ(line.rfind("=?UTF-8?B?", 0), 0u);
    const std::string piece = Unbase64(line.substr(10, line.size() - 12));
    // Each word holds whole characters: it starts with no continuation byte.
    EXPECT_NE(static_cast<unsigned char>(piece[0]) & 0xC0, 0x80);
    decoded += piece;
  }
  EXPECT_EQ(decoded, subject);
  // ASCII that would read as an encoded word, or holds a line break, is encoded too.
  EXPECT_NE(HeaderText("=?UTF-8?B?x?="), "=?UTF-8?B?x?=");
  EXPECT_EQ(HeaderText("a\r\nBcc: x@y.cn").find("\r\nBcc"), std::string::npos);
}

TEST(MailEncoding, FileNameParametersFollowRfc2231) {
  EXPECT_EQ(HeaderParameter("filename", "slip.pdf"), ";\r\n filename=\"slip.pdf\"");
  EXPECT_EQ(HeaderParameter("filename", "张伟.pdf"),
            ";\r\n filename*=UTF-8''%E5%BC%A0%E4%BC%9F.pdf");
  const std::string long_name = "张伟_2026年11月工资条_人力资源部_北京总公司.pdf";
  const std::string param = HeaderParameter("filename", long_name);
  EXPECT_NE(param.find("filename*0*=UTF-8''"), std::string::npos);
  EXPECT_NE(param.find("filename*1*="), std::string::npos);
  std::string joined;
  for (const std::string& line : Lines(param)) {
    if (line.empty() || line == ";") continue;
    const std::size_t eq = line.find("*=");
    std::string value = line.substr(eq + 2);
    if (value.rfind("UTF-8''", 0) == 0) value.erase(0, 7);
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '%') {
        joined += static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else if (value[i] != ';') {
        joined += value[i];
      }
    }
  }
  EXPECT_EQ(joined, long_name);
  EXPECT_NE(EncodedWordParameter("name", "张伟.pdf").find("name=\"=?UTF-8?B?"), std::string::npos);
}

TEST(MailEncoding, AddressesAndMailboxes) {
  for (const char* good : {"zhang.wei@example.cn", "a+b@mail.example.com.cn", "x_1@a-b.cn"}) {
    EXPECT_TRUE(IsMailAddress(good)) << good;
  }
  for (const char* bad : {"", "zhang", "zhang@", "@example.cn", "zhang@example", "a b@c.cn",
                          "a@b..cn", "a@.b.cn", ".a@b.cn", "a..b@c.cn", "a@b@c.cn",
                          "张伟 <a@b.cn>", "a@b.cn\r\nBcc: x@y.cn", "a@-b.cn", "a;b@c.cn"}) {
    EXPECT_FALSE(IsMailAddress(bad)) << bad;
  }
  const auto named = ParseMailbox("  人事部 <hr@example.cn> ");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->name, "人事部");
  EXPECT_EQ(named->address, "hr@example.cn");
  EXPECT_EQ(ParseMailbox("\"HR, Pay\" <hr@example.cn>")->name, "HR, Pay");
  EXPECT_EQ(ParseMailbox("hr@example.cn")->name, "");
  EXPECT_FALSE(ParseMailbox("人事部 <hr@example>"));
  EXPECT_EQ(MailboxHeader({"HR, Pay", "hr@example.cn"}), "\"HR, Pay\" <hr@example.cn>");
  EXPECT_EQ(MailboxHeader({"人事部", "hr@example.cn"}).rfind("=?UTF-8?B?", 0), 0u);
}

TEST(MailMessage, AValueCannotAddAHeaderAndTheAttachmentIsWhole) {
  OutgoingMail mail;
  mail.from = {"人事部", "hr@example.cn"};
  mail.to = {"", "zhang.wei@example.cn"};
  mail.subject = "工资条\r\nBcc: everyone@example.cn";
  mail.body = "第一行\n第二行";
  mail.attachment_name = "张伟.pdf";
  mail.attachment = std::string("%PDF-1.4\n\0\xFF binary", 18);
  mail.message_id = NewMessageId("hr@example.cn");
  const std::string m = BuildMessage(mail, 1'800'000'000);
  for (const std::string& line : Lines(m)) {
    EXPECT_NE(line.rfind("Bcc:", 0), 0u) << "header injected";
    EXPECT_LE(line.size(), 998u);
  }
  EXPECT_NE(m.find("Content-Type: application/pdf"), std::string::npos);
  EXPECT_NE(m.find(Base64Lines(mail.attachment)), std::string::npos);
  EXPECT_NE(m.find(Base64Lines("第一行\r\n第二行")), std::string::npos);
  EXPECT_EQ(mail.message_id.back(), '>');
  EXPECT_NE(mail.message_id.find("@example.cn>"), std::string::npos);
  EXPECT_NE(NewMessageId("hr@example.cn"), mail.message_id);
}

TEST(SendPacing, AtMostNInAnyMinuteAndRetriesBackOff) {
  using namespace std::chrono_literals;
  RateLimit limit(3);
  const PaceClock::time_point t0{};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(limit.WaitBefore(t0 + i * 1s), PaceClock::duration::zero());
    limit.Started(t0 + i * 1s);
  }
  EXPECT_EQ(limit.WaitBefore(t0 + 3s), 57s);  // the first leaves the window at 60 s
  limit.Started(t0 + 60s);
  EXPECT_EQ(limit.WaitBefore(t0 + 60s), 1s);  // then the second, at 61 s
  EXPECT_EQ(RetryDelay(2, 2000ms), 2000ms);
  EXPECT_EQ(RetryDelay(3, 2000ms), 4000ms);
  EXPECT_EQ(RetryDelay(4, 2000ms), 8000ms);
  EXPECT_EQ(RetryDelay(30, 2000ms), std::chrono::milliseconds(std::chrono::minutes(2)));
}

}  // namespace
}  // namespace vexlo::delivery
