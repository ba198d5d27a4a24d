#include "delivery/test_mail.h"

#include <ctime>

#include "delivery/mail_message.h"

namespace vexlo::delivery {

SendResult SendTestMail(const MailSettings& settings) {
  if (const std::optional<std::string> problem = SettingsProblem(settings.smtp)) {
    return {SendStatus::kFatal, 0, *problem};
  }
  if (!IsMailAddress(settings.from.address)) {
    return {SendStatus::kFatal, 0, "发件人地址“" + settings.from.address + "”格式不对"};
  }
  OutgoingMail mail;
  mail.from = settings.from;
  mail.to = settings.from;
  mail.subject = "vexlo 测试邮件";
  mail.body = "这是一封测试邮件。收到它说明 vexlo 可以通过“" + settings.smtp.url +
              "”发送邮件。\n";
  mail.message_id = NewMessageId(settings.from.address);
  SmtpSender sender(settings.smtp);
  return sender.Send(settings.from.address, settings.from.address,
                     BuildMessage(mail, std::time(nullptr)));
}

}  // namespace vexlo::delivery
