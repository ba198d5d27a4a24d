// Where the window keeps its mail settings: everything but the password in vexlo.conf (group
// "mail"), the password in the desktop keyring through qtkeychain, never in a file of ours. When
// no keyring exists the password is kept in memory for this session only, and the user is told
// so in plain words. UI thread only.
#ifndef VEXLO_UI_MAIL_MAIL_STORE_H_
#define VEXLO_UI_MAIL_MAIL_STORE_H_

#include <map>
#include <string>

#include "delivery/mail_settings.h"

namespace vexlo::ui {

// The settings as last saved (password empty).
delivery::MailSettings LoadMailSettings();
void SaveMailSettings(const delivery::MailSettings& settings);

// What the keyring did.
struct KeyringResult {
  bool ok = false;        // read or stored
  bool no_keyring = false;  // no keyring could be reached: the session's memory holds it instead
  std::string password;   // read: the password ("" when none is stored)
};

// The mail passwords of one session: in the keyring, or, where no keyring can be reached, held
// here until the program ends. main() makes one for the window.
class MailPasswords {
 public:
  // The password of `settings`' login (server and user), from the keyring or this session.
  KeyringResult Read(const delivery::MailSettings& settings) const;
  // Keeps it in the keyring, or in this session's memory when there is none.
  KeyringResult Store(const delivery::MailSettings& settings, const std::string& password);

 private:
  std::map<std::string, std::string> session_;  // by keyring entry
};

// The message shown when there is no keyring.
extern const char* const kNoKeyringText;

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIL_MAIL_STORE_H_
