// 邮件设置: the fields give back what they were set to, the settings are kept without the
// password, the password goes to the keyring or (without one) to this session only, and
// 发送测试邮件 reaches the tests' own server (and says so plainly when the login is refused).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <QCheckBox>

#include "tests/mail/test_smtp_server.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"
#include "tests/ui/window_graph.h"
#include "ui/mail/mail_dialog.h"
#include "ui/mail/mail_store.h"
#include "ui/main/skin.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_merge_observer.h"

namespace vexlo::ui {
namespace {

delivery::MailSettings Example() {
  delivery::MailSettings s;
  s.column = "邮箱";
  s.smtp.url = "smtps://smtp.example.cn:465";
  s.smtp.user = "payroll@example.cn";
  s.smtp.password = " pa55 word ";
  s.smtp.ca_file = "/etc/公司证书.pem";
  s.from = {"人事部", "payroll@example.cn"};
  s.subject = "姓名：2026年11月工资条";
  s.body = "姓名，您好！\n附件是您的工资条。";
  s.attach = delivery::Attachment::kDocument;
  s.per_minute = 20;
  s.resend = true;
  return s;
}

void ExpectSame(const delivery::MailSettings& a, const delivery::MailSettings& b) {
  EXPECT_EQ(a.column, b.column);
  EXPECT_EQ(a.smtp.url, b.smtp.url);
  EXPECT_EQ(a.smtp.user, b.smtp.user);
  EXPECT_EQ(a.smtp.ca_file, b.smtp.ca_file);
  EXPECT_EQ(a.from.name, b.from.name);
  EXPECT_EQ(a.from.address, b.from.address);
  EXPECT_EQ(a.subject, b.subject);
  EXPECT_EQ(a.body, b.body);
  EXPECT_EQ(a.attach, b.attach);
  EXPECT_EQ(a.per_minute, b.per_minute);
  EXPECT_EQ(a.resend, b.resend);
}

TEST(MailDialog, FieldsAndTheSavedSettingsKeepEverythingButThePassword) {
  MailDialog dialog;
  dialog.SetSettings(Example());
  const delivery::MailSettings shown = dialog.Settings();
  ExpectSame(shown, Example());
  EXPECT_EQ(shown.smtp.password, " pa55 word ");
  EXPECT_EQ(dialog.Problem(), std::nullopt);

  SaveMailSettings(shown);
  ExpectSame(LoadMailSettings(), Example());
  EXPECT_EQ(LoadMailSettings().smtp.password, "");
  const QString conf = QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").fileName();
  EXPECT_EQ(test::ReadFile(conf.toStdString()).find("pa55"), std::string::npos);

  delivery::MailSettings bad = Example();
  bad.smtp.url = "smtp.example.cn";
  dialog.SetSettings(bad);
  EXPECT_NE(dialog.Problem().value_or("").find("smtps://"), std::string::npos);
  bad = Example();
  bad.column = "";
  dialog.SetSettings(bad);
  EXPECT_EQ(dialog.Problem(), "请填写存放邮件地址的列标题。");
}

TEST(MailDialog, ThePasswordIsKeptInTheKeyringOrForThisSessionOnly) {
  const delivery::MailSettings s = Example();
  MailPasswords passwords;
  const KeyringResult stored = passwords.Store(s, "secret 1");
  ASSERT_TRUE(stored.ok);
  const KeyringResult read = passwords.Read(s);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.password, "secret 1");
  EXPECT_EQ(read.no_keyring, stored.no_keyring);
  delivery::MailSettings other = s;
  other.smtp.user = "someone@example.cn";
  EXPECT_EQ(passwords.Read(other).password, "");
  // Without a keyring the password lasts as long as the session that was given it.
  if (stored.no_keyring) EXPECT_EQ(MailPasswords().Read(s).password, "");
  const QString conf = QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").fileName();
  EXPECT_EQ(test::ReadFile(conf.toStdString()).find("secret"), std::string::npos);
}

// With 发送邮件 ticked a run takes the saved settings and the kept password; without, no mail.
TEST(MailDialog, TheWindowsRunTakesTheSavedSettings) {
  SaveMailSettings(Example());
  test::WindowGraph graph;
  graph.mail_passwords.Store(Example(), "run password");
  w_vexlo w(graph.Context());
  EXPECT_FALSE(RequestFromWindow(w).mail);
  w.cbx_7->setChecked(true);
  const merge::MergeRequest request = RequestFromWindow(w);
  ASSERT_TRUE(request.mail);
  ExpectSame(*request.mail, Example());
  EXPECT_EQ(request.mail->smtp.password, "run password");
}

TEST(MailDialog, TestMailGoesToTheSendersOwnAddress) {
  test::ScratchDir dir;
  test::TestSmtpServer server(dir.path());
  ASSERT_TRUE(server.running());
  delivery::MailSettings s = Example();
  s.smtp.url = server.url();
  s.smtp.user = test::TestSmtpServer::kUser;
  s.smtp.password = test::TestSmtpServer::kPassword;
  s.smtp.ca_file = server.cert().string();
  MailDialog dialog;
  dialog.set_quiet(true);
  dialog.SetSettings(s);
  dialog.test_button()->click();
  EXPECT_EQ(dialog.last_message(), "测试邮件已发到“payroll@example.cn”，请查收。");
  ASSERT_EQ(server.Count(), 1);
  const test::DeliveredMail m = server.Messages()[0];
  EXPECT_EQ(m.rcpt, "payroll@example.cn");
  EXPECT_EQ(m.from_name, "人事部");
  EXPECT_EQ(m.subject, "vexlo 测试邮件");

  s.smtp.password = "wrong";
  dialog.SetSettings(s);
  dialog.test_button()->click();
  EXPECT_EQ(dialog.last_message().rfind("测试邮件没有发出：服务器拒绝登录", 0), 0u)
      << dialog.last_message();
  EXPECT_EQ(server.Count(), 1);

  // The picture of the dialog for the README, when asked for.
  if (const QByteArray shot = qgetenv("VEXLO_MAIL_DIALOG_SHOT"); !shot.isEmpty()) {
    delivery::MailSettings shown = Example();
    shown.attach = delivery::Attachment::kPdf;
    shown.resend = false;
    shown.per_minute = 30;
    shown.smtp.ca_file.clear();
    dialog.SetSettings(shown);
    dialog.show();
    QApplication::processEvents();
    dialog.grab().save(QString::fromUtf8(shot));
  }
}

}  // namespace
}  // namespace vexlo::ui

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The settings go to a folder of the test's own, never the user's configuration.
  QTemporaryDir config;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
  vexlo::test::TestEngine engine;
  vexlo::ui::InitSkin();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
