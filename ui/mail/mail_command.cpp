#include "ui/mail/mail_command.h"

#include <QMessageBox>

#include "ui/mail/mail_dialog.h"
#include "ui/mail/mail_store.h"

namespace vexlo::ui {

bool OpenMailSettings(QWidget* parent, MailPasswords& passwords) {
  MailDialog dialog(parent);
  delivery::MailSettings settings = LoadMailSettings();
  if (!settings.smtp.user.empty()) settings.smtp.password = passwords.Read(settings).password;
  dialog.SetSettings(settings);
  if (dialog.exec() != QDialog::Accepted) return false;
  const delivery::MailSettings chosen = dialog.Settings();
  SaveMailSettings(chosen);
  if (!chosen.smtp.user.empty()) {
    const KeyringResult kept = passwords.Store(chosen, chosen.smtp.password);
    if (kept.no_keyring) QMessageBox::information(parent, "操作提示", kNoKeyringText);
  }
  return true;
}

delivery::MailSettings MailSettingsForRun(const MailPasswords& passwords) {
  delivery::MailSettings settings = LoadMailSettings();
  if (!settings.smtp.user.empty()) settings.smtp.password = passwords.Read(settings).password;
  return settings;
}

}  // namespace vexlo::ui
