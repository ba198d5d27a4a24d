// What e-mailing a run's outputs needs: the column with each record's address, the server, the
// sender, the subject and body templates, what is attached, and how fast and whether to send
// again what the delivery record already holds. Filled by the window's 邮件设置 or the CLI.
#ifndef VEXLO_DELIVERY_MAIL_SETTINGS_H_
#define VEXLO_DELIVERY_MAIL_SETTINGS_H_

#include <string>

#include "delivery/mail_encoding.h"
#include "delivery/smtp_sender.h"

namespace vexlo::delivery {

enum class Attachment { kPdf, kDocument };

struct MailSettings {
  std::string column;        // the title of the column that holds each record's address
  SmtpSettings smtp;
  Mailbox from;
  std::string subject;       // template: the record's titles are replaced by its values
  std::string body;          // template, plain text or an HTML page
  bool body_html = false;
  Attachment attach = Attachment::kPdf;
  bool resend = false;       // send again what the delivery record holds as sent
  int per_minute = 30;       // messages per minute at most: modest, as company servers expect
};

inline constexpr int kMaxPerMinute = 6000;

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_MAIL_SETTINGS_H_
