#include "ui/mail/mail_store.h"

#include <QEventLoop>
#include <QSettings>
#include <map>
#include <qt6keychain/keychain.h>

namespace vexlo::ui {
namespace {

constexpr const char* kService = "vexlo";

QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo"); }
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QVariant& v) { return v.toString().toStdString(); }

// The keyring entry of one login.
QString EntryKey(const delivery::MailSettings& s) { return Q("smtp:" + s.smtp.user + "@" + s.smtp.url); }

// Runs a keyring job to its end (the job works through the event loop).
void RunJob(QKeychain::Job& job) {
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.setAutoDelete(false);
  job.start();
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

const char* const kNoKeyringText =
    "这台电脑没有可用的桌面密钥环（钥匙串），密码无法安全地保存，只在本次运行中记住；"
    "下次打开 vexlo 后请重新输入密码。";

delivery::MailSettings LoadMailSettings() {
  QSettings store = Store();
  store.beginGroup("mail");
  delivery::MailSettings s;
  s.column = S(store.value("column"));
  s.smtp.url = S(store.value("smtp"));
  s.smtp.plain = store.value("plain", false).toBool();
  s.smtp.user = S(store.value("user"));
  s.smtp.ca_file = S(store.value("ca"));
  s.from = delivery::ParseMailbox(S(store.value("from"))).value_or(delivery::Mailbox{});
  s.subject = S(store.value("subject"));
  s.body = S(store.value("body"));
  s.body_html = store.value("body_html", false).toBool();
  s.attach = store.value("attach").toString() == "doc" ? delivery::Attachment::kDocument
                                                       : delivery::Attachment::kPdf;
  s.per_minute = store.value("per_minute", 30).toInt();
  s.resend = store.value("resend", false).toBool();
  return s;
}

void SaveMailSettings(const delivery::MailSettings& s) {
  QSettings store = Store();
  store.beginGroup("mail");
  store.setValue("column", Q(s.column));
  store.setValue("smtp", Q(s.smtp.url));
  store.setValue("plain", s.smtp.plain);
  store.setValue("user", Q(s.smtp.user));
  store.setValue("ca", Q(s.smtp.ca_file));
  // As the user writes it, "人事部 <hr@example.cn>": read back by ParseMailbox.
  store.setValue("from", Q(s.from.name.empty() ? s.from.address
                                                : s.from.name + " <" + s.from.address + ">"));
  store.setValue("subject", Q(s.subject));
  store.setValue("body", Q(s.body));
  store.setValue("body_html", s.body_html);
  store.setValue("attach", s.attach == delivery::Attachment::kDocument ? "doc" : "pdf");
  store.setValue("per_minute", s.per_minute);
  store.setValue("resend", s.resend);
}

KeyringResult MailPasswords::Read(const delivery::MailSettings& settings) const {
  KeyringResult result;
  const QString key = EntryKey(settings);
  if (const auto it = session_.find(key.toStdString()); it != session_.end()) {
    return {true, true, it->second};
  }
  QKeychain::ReadPasswordJob job(kService);
  job.setKey(key);
  RunJob(job);
  if (job.error() == QKeychain::NoError) return {true, false, job.textData().toStdString()};
  if (job.error() == QKeychain::EntryNotFound) return {true, false, ""};
  result.no_keyring = true;
  return result;
}

KeyringResult MailPasswords::Store(const delivery::MailSettings& settings,
                                   const std::string& password) {
  const QString key = EntryKey(settings);
  QKeychain::WritePasswordJob job(kService);
  job.setKey(key);
  job.setTextData(Q(password));
  RunJob(job);
  if (job.error() == QKeychain::NoError) {
    session_.erase(key.toStdString());
    return {true, false, password};
  }
  session_[key.toStdString()] = password;
  return {true, true, password};
}

}  // namespace vexlo::ui
