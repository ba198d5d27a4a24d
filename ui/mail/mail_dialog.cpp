#include "ui/mail/mail_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "delivery/test_mail.h"

namespace vexlo::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.trimmed().toStdString(); }

// A line edit with a 浏览… button beside it that picks a file.
QWidget* WithBrowse(QWidget* parent, QLineEdit* field, const QString& filter) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(field);
  auto* browse = new QPushButton("浏览…", row);
  layout->addWidget(browse);
  QObject::connect(browse, &QPushButton::clicked, row, [=] {
    const QString file = QFileDialog::getOpenFileName(row, "选择文件", field->text(), filter);
    if (!file.isEmpty()) field->setText(file);
  });
  return row;
}

}  // namespace

MailDialog::MailDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("mail_dialog");
  setWindowTitle("邮件设置");
  auto* form = new QFormLayout;
  column_ = new QLineEdit(this);
  column_->setPlaceholderText("数据中存放邮件地址的列标题，如：邮箱");
  url_ = new QLineEdit(this);
  url_->setPlaceholderText("smtps://smtp.example.cn:465 或 smtp://smtp.example.cn:587");
  plain_ = new QCheckBox("不加密（只用于本机的邮件中转）", this);
  user_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  password_->setToolTip("密码保存在桌面密钥环中，不写入任何文件");
  ca_ = new QLineEdit(this);
  ca_->setPlaceholderText("公司自己的服务器才需要；不填时使用系统的证书库");
  from_ = new QLineEdit(this);
  from_->setPlaceholderText("人事部 <hr@example.cn>");
  subject_ = new QLineEdit(this);
  subject_->setPlaceholderText("如：姓名：2026年11月工资条（列标题换成每条记录的值）");
  body_ = new QPlainTextEdit(this);
  body_->setPlaceholderText("邮件正文；列标题同样换成每条记录的值。不填时写明附件的名称。");
  body_->setMinimumHeight(90);
  body_html_ = new QCheckBox("正文是网页（HTML）", this);
  auto* load_body = new QPushButton("从文件读取正文…", this);
  auto* body_row = new QWidget(this);
  auto* body_layout = new QHBoxLayout(body_row);
  body_layout->setContentsMargins(0, 0, 0, 0);
  body_layout->addWidget(body_html_);
  body_layout->addStretch();
  body_layout->addWidget(load_body);
  attach_pdf_ = new QRadioButton("PDF文件", this);
  attach_doc_ = new QRadioButton("Word文档", this);
  auto* attach_row = new QWidget(this);
  auto* attach_layout = new QHBoxLayout(attach_row);
  attach_layout->setContentsMargins(0, 0, 0, 0);
  attach_layout->addWidget(attach_pdf_);
  attach_layout->addWidget(attach_doc_);
  attach_layout->addStretch();
  per_minute_ = new QSpinBox(this);
  per_minute_->setRange(1, delivery::kMaxPerMinute);
  per_minute_->setSuffix(" 封/分钟");
  resend_ = new QCheckBox("已有送达记录的也重新发送", this);

  form->addRow("邮件地址列：", column_);
  form->addRow("邮件服务器：", url_);
  form->addRow("", plain_);
  form->addRow("用户名：", user_);
  form->addRow("密码：", password_);
  form->addRow("信任的证书：", WithBrowse(this, ca_, "证书文件 (*.pem *.crt *.cer);;所有文件 (*)"));
  form->addRow("发件人：", from_);
  form->addRow("主题：", subject_);
  form->addRow("正文：", body_);
  form->addRow("", body_row);
  form->addRow("附件：", attach_row);
  form->addRow("发送速度：", per_minute_);
  form->addRow("", resend_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText("确定");
  buttons->button(QDialogButtonBox::Cancel)->setText("取消");
  test_ = buttons->addButton("发送测试邮件", QDialogButtonBox::ActionRole);
  test_->setToolTip("用上面的设置发一封邮件到发件人自己的地址");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(560, sizeHint().height());

  connect(buttons, &QDialogButtonBox::accepted, this, &MailDialog::Accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(test_, &QPushButton::clicked, this, &MailDialog::SendTest);
  connect(load_body, &QPushButton::clicked, this, &MailDialog::LoadBody);
}

void MailDialog::SetSettings(const delivery::MailSettings& s) {
  column_->setText(Q(s.column));
  url_->setText(Q(s.smtp.url));
  plain_->setChecked(s.smtp.plain);
  user_->setText(Q(s.smtp.user));
  password_->setText(Q(s.smtp.password));
  ca_->setText(Q(s.smtp.ca_file));
  from_->setText(Q(s.from.name.empty() ? s.from.address : s.from.name + " <" + s.from.address + ">"));
  subject_->setText(Q(s.subject));
  body_->setPlainText(Q(s.body));
  body_html_->setChecked(s.body_html);
  attach_pdf_->setChecked(s.attach == delivery::Attachment::kPdf);
  attach_doc_->setChecked(s.attach == delivery::Attachment::kDocument);
  per_minute_->setValue(s.per_minute);
  resend_->setChecked(s.resend);
}

delivery::MailSettings MailDialog::Settings() const {
  delivery::MailSettings s;
  s.column = S(column_->text());
  s.smtp.url = S(url_->text());
  s.smtp.plain = plain_->isChecked();
  s.smtp.user = S(user_->text());
  s.smtp.password = password_->text().toStdString();  // spaces may belong to it
  s.smtp.ca_file = S(ca_->text());
  s.from = delivery::ParseMailbox(S(from_->text())).value_or(delivery::Mailbox{"", S(from_->text())});
  s.subject = subject_->text().toStdString();
  s.body = body_->toPlainText().toStdString();
  s.body_html = body_html_->isChecked();
  s.attach = attach_doc_->isChecked() ? delivery::Attachment::kDocument : delivery::Attachment::kPdf;
  s.per_minute = per_minute_->value();
  s.resend = resend_->isChecked();
  return s;
}

std::optional<std::string> MailDialog::Problem() const {
  const delivery::MailSettings s = Settings();
  if (s.column.empty()) return "请填写存放邮件地址的列标题。";
  if (s.smtp.url.empty()) return "请填写邮件服务器。";
  if (std::optional<std::string> p = delivery::SettingsProblem(s.smtp)) return p;
  if (!delivery::ParseMailbox(S(from_->text()))) return "发件人地址格式不对：" + S(from_->text());
  return {};
}

void MailDialog::Tell(const std::string& title, const std::string& text) {
  last_message_ = text;
  emit Told(Q(title), Q(text));
  if (quiet_) return;
  if (title == "错误提示") {
    QMessageBox::warning(this, Q(title), Q(text));
  } else {
    QMessageBox::information(this, Q(title), Q(text));
  }
}

void MailDialog::SendTest() {
  if (const std::optional<std::string> problem = Problem()) {
    Tell("错误提示", *problem);
    return;
  }
  const delivery::MailSettings s = Settings();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const delivery::SendResult r = delivery::SendTestMail(s);
  QApplication::restoreOverrideCursor();
  if (r.status == delivery::SendStatus::kAccepted) {
    Tell("操作提示", "测试邮件已发到“" + s.from.address + "”，请查收。");
  } else {
    Tell("错误提示", "测试邮件没有发出：" + r.answer);
  }
}

void MailDialog::Accept() {
  if (const std::optional<std::string> problem = Problem()) {
    Tell("错误提示", *problem);
    return;
  }
  accept();
}

void MailDialog::LoadBody() {
  const QString file = QFileDialog::getOpenFileName(this, "选择正文文件", QString(),
                                                    "正文 (*.txt *.html *.htm);;所有文件 (*)");
  if (file.isEmpty()) return;
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    Tell("错误提示", "无法读取文件“" + file.toStdString() + "”。");
    return;
  }
  body_->setPlainText(QString::fromUtf8(in.readAll()));
  body_html_->setChecked(file.endsWith(".html", Qt::CaseInsensitive) ||
                         file.endsWith(".htm", Qt::CaseInsensitive));
}

}  // namespace vexlo::ui
