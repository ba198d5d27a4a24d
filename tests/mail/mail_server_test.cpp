// The sender and the delivery loop against a real SMTP server on 127.0.0.1 (STARTTLS or TLS from
// the first byte, a login, a certificate trusted from its file): what a mail program shows of
// each message, the delivery record making a second run send nothing, and the server's faults:
// a dropped connection, 421/451 then acceptance, 550 for one address, a slow server, a wrong
// password or an untrusted certificate.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "delivery/delivery_record.h"
#include "delivery/mail_delivery.h"
#include "delivery/smtp_sender.h"
#include "tests/mail/test_smtp_server.h"
#include "tests/support/test_paths.h"

namespace vexlo::delivery {
namespace {

namespace fs = std::filesystem;
using test::TestSmtpServer;

class MailServerTest : public ::testing::Test {
 protected:
  // Three records, each with its own attachment whose bytes name the record.
  void SetUp() override {
    const std::vector<std::pair<std::string, std::string>> people = {
        {"张伟", "zhang.wei@example.cn"}, {"李娜", "li.na@example.cn"}, {"王芳", "wang.fang@example.cn"}};
    int index = 0;
    for (const auto& [name, address] : people) {
      const fs::path file = dir_ / (name + "_2026年11月工资条.pdf");
      test::WriteFile(file, "%PDF-1.4 slip of " + name + " " + std::string(5000, 'x'));
      DeliveryJob job;
      job.index = ++index;
      job.record = name;
      job.address = address;
      job.attachment = file.string();
      job.subject = name + "：2026年11月工资条";
      job.body = name + "，您好！\n附件是您的工资条。";
      job.content = "key-" + name;
      jobs_.push_back(job);
    }
    options_.from = {"人事部 薪资组", "hr@example.cn"};
    options_.per_minute = kMaxPerMinuteForTests;
    options_.first_retry = std::chrono::milliseconds(100);
  }

  SmtpSettings Settings(const TestSmtpServer& server, const std::string& scheme = "smtp") const {
    SmtpSettings s;
    s.url = server.url(scheme);
    s.user = TestSmtpServer::kUser;
    s.password = TestSmtpServer::kPassword;
    s.ca_file = server.cert().string();
    return s;
  }

  DeliveryReport Deliver(const TestSmtpServer& server, const std::string& scheme = "smtp") {
    SmtpSender sender(Settings(server, scheme));
    DeliveryRecord record;
    EXPECT_EQ(record.Open((dir_ / kDeliveryRecordName).string()), std::nullopt);
    return delivery::Deliver(jobs_, sender, record, options_, {});
  }

  // Every message went to its own record's address, with its subject and its file.
  void ExpectEachOnce(const TestSmtpServer& server) {
    const std::vector<test::DeliveredMail> mails = server.Messages();
    ASSERT_EQ(mails.size(), jobs_.size());
    std::map<std::string, int> seen;
    for (const test::DeliveredMail& m : mails) {
      ++seen[m.rcpt];
      const auto job = std::find_if(jobs_.begin(), jobs_.end(),
                                    [&](const DeliveryJob& j) { return j.address == m.rcpt; });
      ASSERT_NE(job, jobs_.end()) << m.rcpt;
      EXPECT_EQ(m.to, job->address);
      EXPECT_EQ(m.subject, job->subject);
      EXPECT_EQ(m.filename, fs::path(job->attachment).filename().string());
      EXPECT_EQ(test::ReadFile(m.attachment), test::ReadFile(job->attachment));
      EXPECT_EQ(m.from_name, "人事部 薪资组");
      EXPECT_EQ(m.from, "hr@example.cn");
      EXPECT_EQ(m.body, job->record + "，您好！\\n附件是您的工资条。");
    }
    for (const DeliveryJob& j : jobs_) EXPECT_EQ(seen[j.address], 1) << j.address;
  }

  static constexpr int kMaxPerMinuteForTests = 6000;
  test::ScratchDir dir_;
  std::vector<DeliveryJob> jobs_;
  DeliveryOptions options_;
};

TEST_F(MailServerTest, StartTlsDeliversEachRecordToItsPersonAndARerunSendsNothing) {
  TestSmtpServer server(dir_.path());
  ASSERT_TRUE(server.running());
  SmtpSender sender(Settings(server));
  EXPECT_EQ(sender.Check().status, SendStatus::kAccepted);

  const DeliveryReport first = Deliver(server);
  EXPECT_EQ(first.sent, 3);
  EXPECT_TRUE(first.failed.empty());
  ExpectEachOnce(server);

  const std::string csv = test::ReadFile(dir_ / kDeliveryRecordName);
  const auto lines = ParseCsvLines(csv);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1][0], "张伟");
  EXPECT_EQ(lines[1][1], "zhang.wei@example.cn");
  EXPECT_EQ(lines[1][2], "张伟_2026年11月工资条.pdf");
  EXPECT_EQ(lines[1][4], "250 2.0.0 OK queued as Q0001");
  EXPECT_EQ(lines[1][5], server.Messages()[0].message_id);

  const DeliveryReport second = Deliver(server);
  EXPECT_EQ(second.sent, 0);
  EXPECT_EQ(second.skipped, 3);
  EXPECT_EQ(server.Count(), 3);

  // Changed data for one record is a new message; --resend sends everything again.
  jobs_[1].content = "key-李娜-corrected";
  EXPECT_EQ(Deliver(server).sent, 1);
  options_.resend = true;
  EXPECT_EQ(Deliver(server).sent, 3);
  EXPECT_EQ(server.Count(), 7);
}

TEST_F(MailServerTest, ImplicitTlsWorksAndBadCredentialsOrCertificatesStopEverything) {
  TestSmtpServer server(dir_.path(), "--tls implicit");
  ASSERT_TRUE(server.running());
  EXPECT_EQ(Deliver(server, "smtps").sent, 3);
  ExpectEachOnce(server);

  SmtpSettings wrong = Settings(server, "smtps");
  wrong.password = "guess";
  const SendResult denied = SmtpSender(wrong).Check();
  EXPECT_EQ(denied.status, SendStatus::kFatal);
  EXPECT_NE(denied.answer.find("拒绝登录"), std::string::npos) << denied.answer;

  // The system store does not know the test's certificate: never accepted.
  SmtpSettings untrusted = Settings(server, "smtps");
  untrusted.ca_file.clear();
  const SendResult refused = SmtpSender(untrusted).Check();
  EXPECT_EQ(refused.status, SendStatus::kFatal);
  EXPECT_NE(refused.answer.find("证书"), std::string::npos) << refused.answer;

  // A run whose login is refused sends nothing and says why.
  SmtpSender sender(wrong);
  DeliveryRecord record;
  ASSERT_EQ(record.Open((dir_ / "other.csv").string()), std::nullopt);
  const DeliveryReport stopped = delivery::Deliver(jobs_, sender, record, options_, {});
  EXPECT_EQ(stopped.sent, 0);
  EXPECT_EQ(stopped.not_sent, 3);
  EXPECT_NE(stopped.stopped.find("拒绝登录"), std::string::npos);
  EXPECT_EQ(server.Count(), 3);
}

TEST_F(MailServerTest, StartTlsIsRequiredUnlessPlainIsAskedForALocalRelay) {
  TestSmtpServer server(dir_.path(), "--tls none");
  ASSERT_TRUE(server.running());
  SmtpSettings s = Settings(server);
  const SendResult no_tls = SmtpSender(s).Check();
  EXPECT_EQ(no_tls.status, SendStatus::kFatal);
  EXPECT_NE(no_tls.answer.find("STARTTLS"), std::string::npos) << no_tls.answer;

  s.plain = true;
  EXPECT_EQ(SettingsProblem(s), std::nullopt);  // a login to this machine only
  s.url = "smtp://mail.example.cn:25";
  EXPECT_NE(SettingsProblem(s), std::nullopt);  // a password never crosses a network in clear
  s.url = "http://127.0.0.1";
  EXPECT_NE(SettingsProblem(s), std::nullopt);
}

TEST_F(MailServerTest, ADroppedConnectionAndTemporaryAnswersAreRetriedAndDeliverOnce) {
  TestSmtpServer dropping(dir_.path(), "--drop 2");
  ASSERT_TRUE(dropping.running());
  const DeliveryReport dropped = Deliver(dropping);
  EXPECT_EQ(dropped.sent, 3);
  EXPECT_TRUE(dropped.failed.empty()) << dropped.failed[0].reason;
  ExpectEachOnce(dropping);
}

TEST_F(MailServerTest, TemporaryAnswers421And451ThenAcceptance) {
  TestSmtpServer busy(dir_.path(), "--rcpt-tempfail 2 --data-tempfail 1");
  ASSERT_TRUE(busy.running());
  const DeliveryReport report = Deliver(busy);
  EXPECT_EQ(report.sent, 3);
  EXPECT_TRUE(report.failed.empty());
  ExpectEachOnce(busy);
}

TEST_F(MailServerTest, A550ForOneAddressIsListedAndTheOthersGo) {
  TestSmtpServer server(dir_.path(), "--reject li.na@example.cn --delay 0.5");
  ASSERT_TRUE(server.running());
  const DeliveryReport report = Deliver(server);
  EXPECT_EQ(report.sent, 2);
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].record, "李娜");
  EXPECT_NE(report.failed[0].reason.find("550"), std::string::npos) << report.failed[0].reason;
  EXPECT_EQ(report.not_sent, 0);
  EXPECT_EQ(server.Count(), 2);
  // Not recorded as sent: a later run tries it again, and only it.
  const DeliveryReport again = Deliver(server);
  EXPECT_EQ(again.skipped, 2);
  EXPECT_EQ(again.failed.size(), 1u);
}

TEST_F(MailServerTest, AServerThatKeepsPuttingOffEndsTheRunWithTheRestUnsent) {
  TestSmtpServer server(dir_.path(), "--rcpt-tempfail 1000");
  ASSERT_TRUE(server.running());
  options_.attempts = 2;
  options_.give_up_after = 2;
  const DeliveryReport report = Deliver(server);
  EXPECT_EQ(report.sent, 0);
  EXPECT_EQ(report.failed.size(), 2u);
  EXPECT_EQ(report.not_sent, 1);
  EXPECT_NE(report.stopped, "");
  EXPECT_NE(report.failed[0].reason.find("421"), std::string::npos) << report.failed[0].reason;
}

TEST_F(MailServerTest, ACancelStopsBetweenMessages) {
  TestSmtpServer server(dir_.path());
  ASSERT_TRUE(server.running());
  SmtpSender sender(Settings(server));
  DeliveryRecord record;
  ASSERT_EQ(record.Open((dir_ / kDeliveryRecordName).string()), std::nullopt);
  int done = 0;
  DeliveryWatch watch;
  watch.progress = [&](int d, int) { done = d; };
  watch.cancelled = [&] { return done >= 1; };
  const DeliveryReport report = delivery::Deliver(jobs_, sender, record, options_, watch);
  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(report.sent, 1);
  EXPECT_EQ(report.not_sent, 2);
  EXPECT_EQ(server.Count(), 1);
  EXPECT_EQ(ParseCsvLines(test::ReadFile(dir_ / kDeliveryRecordName)).size(), 2u);
}

// A stop asked for while a message waits on a slow server lets that message finish whole.
TEST_F(MailServerTest, AStopDuringAMessageTakesEffectOnceItIsSent) {
  TestSmtpServer server(dir_.path(), "--rcpt-delay 0.5");
  ASSERT_TRUE(server.running());
  SmtpSender sender(Settings(server));
  DeliveryRecord record;
  ASSERT_EQ(record.Open((dir_ / kDeliveryRecordName).string()), std::nullopt);
  // The stop comes while the first recipient waits for its answer (0.5 s).
  const auto start = std::chrono::steady_clock::now();
  DeliveryWatch watch;
  int asked_while_waiting = 0;  // a window keeps painting meanwhile
  watch.cancelled = [&] {
    const auto since = std::chrono::steady_clock::now() - start;
    asked_while_waiting += since > std::chrono::milliseconds(100) && server.Count() == 0;
    return since > std::chrono::milliseconds(250);
  };
  const DeliveryReport report = delivery::Deliver(jobs_, sender, record, options_, watch);
  EXPECT_GT(asked_while_waiting, 1);
  EXPECT_TRUE(report.cancelled);
  EXPECT_EQ(report.sent, 1);
  EXPECT_EQ(report.not_sent, 2);
  ASSERT_EQ(server.Count(), 1);
  EXPECT_EQ(test::ReadFile(server.Messages()[0].attachment), test::ReadFile(jobs_[0].attachment));
  EXPECT_EQ(ParseCsvLines(test::ReadFile(dir_ / kDeliveryRecordName)).size(), 2u);
}

}  // namespace
}  // namespace vexlo::delivery
