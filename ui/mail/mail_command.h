// The window's side of e-mail: the 邮件设置 command (the dialog filled from what was saved, its
// settings saved and the password put in the keyring on 确定) and the settings a run takes when
// 发送邮件 is ticked. UI thread only.
#ifndef VEXLO_UI_MAIL_MAIL_COMMAND_H_
#define VEXLO_UI_MAIL_MAIL_COMMAND_H_

#include "delivery/mail_settings.h"
#include "ui/mail/mail_store.h"

class QWidget;

namespace vexlo::ui {

// Opens 邮件设置 over `parent`; true when the user saved the settings.
// Its password is kept in `passwords`.
bool OpenMailSettings(QWidget* parent, MailPasswords& passwords);

// The saved settings with the password from the keyring (or this session), for a run.
delivery::MailSettings MailSettingsForRun(const MailPasswords& passwords);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIL_MAIL_COMMAND_H_
