// 邮件设置: the dialog where the user sets how each record's file is e-mailed: the address
// column, the server (smtps:// or smtp:// with STARTTLS; plain only for a relay on this machine),
// the login (its password goes to the desktop keyring), a certificate to trust, the sender, the
// subject and body (the data's titles replaced per record), the attachment and the pace. Its
// 发送测试邮件 sends one message to the sender's own address with what is typed. UI thread only.
#ifndef VEXLO_UI_MAIL_MAIL_DIALOG_H_
#define VEXLO_UI_MAIL_MAIL_DIALOG_H_

#include <QDialog>
#include <optional>
#include <string>

#include "delivery/mail_settings.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vexlo::ui {

class MailDialog : public QDialog {
  Q_OBJECT

 public:
  explicit MailDialog(QWidget* parent = nullptr);

  // Fills the fields (the password field too).
  void SetSettings(const delivery::MailSettings& settings);
  // What the fields say now, the password included.
  delivery::MailSettings Settings() const;
  // What is wrong with the fields, for the user; nullopt when nothing is.
  std::optional<std::string> Problem() const;

  QPushButton* test_button() const { return test_; }

  // Test hook: what the last message box said.
  std::string last_message() const { return last_message_; }

 signals:
  // A message for the user: shown in a box by default; tests may take it instead.
  void Told(const QString& title, const QString& text);

 private:
  void SendTest();
  void Accept();
  void LoadBody();
  void Tell(const std::string& title, const std::string& text);

  QLineEdit* column_;
  QLineEdit* url_;
  QCheckBox* plain_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* ca_;
  QLineEdit* from_;
  QLineEdit* subject_;
  QPlainTextEdit* body_;
  QCheckBox* body_html_;
  QRadioButton* attach_pdf_;
  QRadioButton* attach_doc_;
  QSpinBox* per_minute_;
  QCheckBox* resend_;
  QPushButton* test_;
  std::string last_message_;
  bool quiet_ = false;  // messages go to Told only (tests)

 public:
  void set_quiet(bool quiet) { quiet_ = quiet; }
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIL_MAIL_DIALOG_H_
