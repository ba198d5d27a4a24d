// The 发送测试邮件 of the mail settings: one short message from the sender to the sender's own
// address through the configured server, so the settings are proven before a run. One thread.
#ifndef VEXLO_DELIVERY_TEST_MAIL_H_
#define VEXLO_DELIVERY_TEST_MAIL_H_

#include "delivery/mail_settings.h"
#include "delivery/smtp_sender.h"

namespace vexlo::delivery {

// Sends it; the result as the server gave it (kAccepted: it went).
SendResult SendTestMail(const MailSettings& settings);

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_TEST_MAIL_H_
