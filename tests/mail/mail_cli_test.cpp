// vexlo-merge e-mailing a whole run's PDFs to the tests' own SMTP server: each message checked
// as its recipient sees it (address, subject, attachment name, the attachment's text is that
// person's record), a second run sending nothing, addresses that are blank, malformed or
// repeated, a refused address, the password's sources, and a run killed while sending whose
// re-run sends each remaining message exactly once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "delivery/delivery_record.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/server_registry.h"
#include "tests/cli/merge_program.h"
#include "tests/mail/test_smtp_server.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;
using test::TestSmtpServer;

struct Person {
  std::string name, address, department, id;
};

const std::vector<Person> kPeople = {
    {"张伟", "zhang.wei@example.cn", "财务部", "1001"}, {"李娜", "li.na@example.cn", "人事部", "1002"},
    {"王芳", "wang.fang@example.cn", "销售部", "1003"}, {"刘洋", "liu.yang@example.cn", "技术部", "1004"},
    {"陈静", "chen.jing@example.cn", "行政部", "1005"}, {"赵磊", "zhao.lei@example.cn", "采购部", "1006"},
    {"孙丽", "sun.li@example.cn", "法务部", "1007"},    {"周强", "zhou.qiang@example.cn", "市场部", "1008"},
};

std::string PdfText(const fs::path& pdf, const std::string& password = "") {
  std::string text;
  const std::string upw = password.empty() ? "" : "-upw '" + password + "' ";
  if (FILE* p = ::popen(("pdftotext -q " + upw + "'" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
    ::pclose(p);
  }
  // pdftotext puts spaces where the font changes (between Chinese and digits): they go.
  std::erase(text, ' ');
  return text;
}

class MailCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application") || engine::SofficeProgram().empty()) {
      GTEST_SKIP() << "no embedded servers or LibreOffice";
    }
    fs::copy_file(test::DataFile("merge/模板.docx"), dir_ / "模板.docx");
    WriteData(kPeople);
  }

  void WriteData(const std::vector<Person>& people) {
    std::string csv = "姓名,邮箱,部门,ID,IDENTITY\n";
    for (const Person& p : people) {
      csv += p.name + "," + p.address + "," + p.department + "," + p.id + ",编号" + p.id + "\n";
    }
    test::WriteFile(dir_ / "名单.csv", csv);
  }

  std::string MailArgs(const TestSmtpServer& server, const std::string& extra = "") const {
    return "--data 名单.csv --template 模板.docx --out 输出 --mail-column 邮箱 --smtp " +
           server.url() + " --smtp-user " + TestSmtpServer::kUser + " --smtp-ca '" +
           server.cert().string() +
           "' --mail-from '人事部 <hr@example.cn>' --mail-subject '姓名：录用通知' "
           "--mail-rate 6000 " + extra;
  }
  static std::string PasswordEnv() {
    return std::string("VEXLO_SMTP_PASSWORD='") + TestSmtpServer::kPassword + "'";
  }
  test::ProgramResult Run(const std::string& args, const std::string& env = PasswordEnv()) {
    return test::RunMergeProgram(dir_.path(), args, env);
  }
  int RecordLines() const {
    const fs::path csv = dir_ / "输出" / delivery::kDeliveryRecordName;
    if (!fs::exists(csv)) return 0;
    return static_cast<int>(delivery::ParseCsvLines(test::ReadFile(csv)).size()) - 1;
  }

  // Every person in `people` got exactly one message, and it holds their own slip.
  void ExpectEachOnce(const TestSmtpServer& server, const std::vector<Person>& people) {
    std::map<std::string, int> count;
    for (const test::DeliveredMail& m : server.Messages()) {
      ++count[m.rcpt];
      const auto p = std::find_if(people.begin(), people.end(),
                                  [&](const Person& q) { return q.address == m.rcpt; });
      ASSERT_NE(p, people.end()) << "a message to " << m.rcpt;
      EXPECT_EQ(m.to, p->address);
      EXPECT_EQ(m.subject, p->name + "：录用通知");
      EXPECT_EQ(m.filename, p->name + ".pdf");
      EXPECT_EQ(m.from_name, "人事部");
      const std::string text = PdfText(m.attachment);
      EXPECT_NE(text.find(p->name), std::string::npos) << text;
      EXPECT_NE(text.find(p->department), std::string::npos) << text;
      EXPECT_NE(text.find("编号" + p->id), std::string::npos) << text;
      for (const Person& other : kPeople) {
        if (other.name != p->name) EXPECT_EQ(text.find(other.name), std::string::npos) << text;
      }
    }
    for (const Person& p : people) EXPECT_EQ(count[p.address], 1) << p.address;
    EXPECT_EQ(count.size(), people.size());
  }

  test::ScratchDir dir_;
};

TEST_F(MailCliTest, EachSlipGoesToItsOwnPersonOnceAndASecondRunSendsNothing) {
  TestSmtpServer server(dir_ / "smtp");
  ASSERT_TRUE(server.running());
  const test::ProgramResult first = Run(MailArgs(server));
  ASSERT_EQ(first.status, 0) << first.err;
  ExpectEachOnce(server, kPeople);
  EXPECT_NE(first.err.find("已发送 8 封邮件。"), std::string::npos) << first.err;
  EXPECT_EQ(RecordLines(), 8);

  const test::ProgramResult second = Run(MailArgs(server));
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(server.Count(), 8);
  EXPECT_NE(second.err.find("已发送 0 封邮件，8 封以前已发送过"), std::string::npos) << second.err;

  const test::ProgramResult resend = Run(MailArgs(server, "--resend --attach doc"));
  EXPECT_EQ(resend.status, 0) << resend.err;
  EXPECT_EQ(server.Count(), 16);
  EXPECT_EQ(server.Messages().back().filename, "周强.docx");
}

TEST_F(MailCliTest, BadAndRepeatedAddressesStopOnlyTheirRecords) {
  std::vector<Person> people(kPeople.begin(), kPeople.begin() + 5);
  people[1].address = "";                      // 李娜: none
  people[2].address = "wang.fang@example";     // 王芳: malformed
  people[4].address = "ZHANG.WEI@example.cn";  // 陈静: the same as 张伟's
  WriteData(people);
  TestSmtpServer server(dir_ / "smtp", "--reject liu.yang@example.cn");
  ASSERT_TRUE(server.running());
  const test::ProgramResult r = Run(MailArgs(server));
  EXPECT_EQ(r.status, 6) << r.err;
  // The check before writing names the repeated address and the unusable ones.
  const std::size_t check = r.err.find("第 5 条“陈静”与第 1 条“张伟”的地址都是");
  EXPECT_NE(check, std::string::npos) << r.err;
  EXPECT_LT(check, r.err.find("已发送"));
  // The address column is used by the messages, not a title missing from the template.
  EXPECT_EQ(r.err.find("“邮箱”"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("第 2 条“李娜”：没有邮件地址"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("第 3 条“王芳”：邮件地址“wang.fang@example”格式不对"), std::string::npos);
  EXPECT_NE(r.err.find("第 4 条“刘洋” <liu.yang@example.cn>：服务器拒收：550"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("操作已完成，但有 3 封邮件没有发出"), std::string::npos) << r.out;
  EXPECT_EQ(server.Count(), 2);
  for (const test::DeliveredMail& m : server.Messages()) {
    EXPECT_EQ(m.subject == "张伟：录用通知" ? "zhang.wei@example.cn" : "ZHANG.WEI@example.cn",
              m.rcpt);
  }
  // Every record's PDF was made all the same.
  for (const Person& p : people) EXPECT_TRUE(fs::exists(dir_ / "输出" / (p.name + ".pdf")));

  // --check names the same records without a server or a password, and sends nothing.
  const test::ProgramResult checked =
      Run("--check --data 名单.csv --template 模板.docx --mail-column 邮箱", "");
  EXPECT_EQ(checked.status, 1) << checked.err;
  EXPECT_NE(checked.err.find("第 5 条“陈静”与第 1 条“张伟”的地址都是"), std::string::npos)
      << checked.err;
  EXPECT_NE(checked.err.find("第 2 条“李娜”：没有邮件地址"), std::string::npos) << checked.err;
  EXPECT_EQ(server.Count(), 2);
}

TEST_F(MailCliTest, PasswordsComeOnlyFromTheEnvironmentOrAPrivateFile) {
  TestSmtpServer server(dir_ / "smtp");
  ASSERT_TRUE(server.running());
  EXPECT_EQ(Run(MailArgs(server, "--smtp-password x")).status, 2);
  const test::ProgramResult none = Run(MailArgs(server), "VEXLO_SMTP_PASSWORD=");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("VEXLO_SMTP_PASSWORD"), std::string::npos) << none.err;

  test::WriteFile(dir_ / "密码", std::string(TestSmtpServer::kPassword) + "\n");
  ::chmod((dir_ / "密码").c_str(), 0644);
  const test::ProgramResult open = Run(MailArgs(server, "--smtp-password-file 密码"), "");
  EXPECT_EQ(open.status, 1);
  EXPECT_NE(open.err.find("chmod 600"), std::string::npos) << open.err;

  // A wrong password is found before anything is written.
  const test::ProgramResult wrong = Run(MailArgs(server), "VEXLO_SMTP_PASSWORD=guess");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("拒绝登录"), std::string::npos) << wrong.err;
  EXPECT_FALSE(fs::exists(dir_ / "输出" / "张伟.pdf"));

  ::chmod((dir_ / "密码").c_str(), 0600);
  WriteData({kPeople[0]});
  const test::ProgramResult ok = Run(MailArgs(server, "--smtp-password-file 密码"), "");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(server.Count(), 1);
}

// Starts vexlo-merge sending to `server` and sends it `signal` once the delivery record holds
// `lines` messages; returns how it ended (its exit status, -1 when the signal ended it).
int RunUntilRecorded(const fs::path& dir, const std::string& args, const std::string& env,
                     const std::function<int()>& recorded, int lines, int signal) {
  const std::string cmd = "cd '" + dir.string() + "' && " + env + " exec '" VEXLO_MERGE_PROGRAM
                          "' " + args + " >signalled-out.txt 2>signalled-err.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (recorded() < lines && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, signal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(MailCliTest, ARunKilledWhileSendingIsCompletedExactlyOnce) {
  // A slow server: each recipient is answered after 0.4 s, so the kill lands before the next
  // message's data has gone.
  TestSmtpServer server(dir_ / "smtp", "--rcpt-delay 0.4");
  ASSERT_TRUE(server.running());
  const auto recorded = [this] { return RecordLines(); };

  // SIGTERM stops between two messages and says what is left.
  EXPECT_EQ(RunUntilRecorded(dir_.path(), MailArgs(server), PasswordEnv(), recorded, 2, SIGTERM), 4);
  const std::string stopped = test::ReadFile(dir_ / "signalled-err.txt");
  EXPECT_NE(stopped.find("封没有发送；再次运行时只发送没有送达记录的邮件"), std::string::npos)
      << stopped;
  EXPECT_EQ(RecordLines(), server.Count());

  // SIGKILL: no chance to tidy up.
  EXPECT_EQ(RunUntilRecorded(dir_.path(), MailArgs(server), PasswordEnv(), recorded, 4, SIGKILL), -1);
  const int before = server.Count();
  ASSERT_GE(before, 4);
  ASSERT_LT(before, 8) << "the run ended before it was killed";
  EXPECT_EQ(RecordLines(), before);

  const test::ProgramResult rerun = Run(MailArgs(server));
  EXPECT_EQ(rerun.status, 0) << rerun.err;
  EXPECT_NE(rerun.err.find(std::to_string(before) + " 封以前已发送过"), std::string::npos)
      << rerun.err;
  ExpectEachOnce(server, kPeople);
  EXPECT_EQ(RecordLines(), 8);
}

// A payroll run as a clerk makes it: 200 slips as PDFs protected with each person's own number,
// each mailed to its person. Every attachment opens with its recipient's number alone and shows
// that person's slip; the delivery record names all 200; a second run sends nothing.
TEST_F(MailCliTest, TwoHundredProtectedSlipsEachReachOnlyTheirPerson) {
  std::vector<Person> people;
  for (int i = 1; i <= 200; ++i) {
    const std::string n = std::to_string(1000 + i);
    people.push_back({"员工" + n, "e" + n + "@example.cn", "部门" + std::to_string(i % 7), n});
  }
  WriteData(people);
  TestSmtpServer server(dir_ / "smtp");
  ASSERT_TRUE(server.running());
  const test::ProgramResult run = Run(MailArgs(server, "--pdf-password-column ID"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(server.Count(), 200);
  EXPECT_EQ(RecordLines(), 200);
  std::map<std::string, int> count;
  for (const test::DeliveredMail& m : server.Messages()) {
    ++count[m.rcpt];
    const auto p = std::find_if(people.begin(), people.end(),
                                [&](const Person& q) { return q.address == m.rcpt; });
    ASSERT_NE(p, people.end()) << m.rcpt;
    EXPECT_EQ(m.filename, p->name + ".pdf");
    EXPECT_EQ(PdfText(m.attachment), "") << "opens without a password: " << m.rcpt;
    const std::string text = PdfText(m.attachment, p->id);
    EXPECT_NE(text.find(p->name), std::string::npos) << m.rcpt << ": " << text;
    EXPECT_NE(text.find("编号" + p->id), std::string::npos) << m.rcpt;
  }
  EXPECT_EQ(count.size(), 200u);
  // Another person's number does not open a slip.
  EXPECT_EQ(PdfText(server.Messages().front().attachment, "1999"), "");

  const test::ProgramResult again = Run(MailArgs(server, "--pdf-password-column ID"));
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(server.Count(), 200);
}

}  // namespace
}  // namespace vexlo::cli
