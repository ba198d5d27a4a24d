// vexlo-merge's e-mail options: parsed with the others, checked as a whole, and turned into the
// run's mail settings; the server password is read from VEXLO_SMTP_PASSWORD or from a file only
// its owner can read, never from the command line, where other users could see it.
#ifndef VEXLO_CLI_MAIL_OPTIONS_H_
#define VEXLO_CLI_MAIL_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "delivery/mail_settings.h"

namespace vexlo::cli {

struct MailOptions {
  std::string column;         // --mail-column TITLE ("" : no mail)
  std::string smtp;           // --smtp URL
  bool plain = false;         // --smtp-plain
  std::string user;           // --smtp-user NAME
  std::string ca;             // --smtp-ca FILE
  std::string password_file;  // --smtp-password-file FILE
  std::string from;           // --mail-from ADDRESS
  std::optional<std::string> subject;  // --mail-subject TEXT
  std::string body_file;      // --mail-body FILE
  std::string attach = "pdf"; // --attach pdf|doc
  bool resend = false;        // --resend
  int per_minute = 30;        // --mail-rate N
  bool any = false;           // some mail option was given
};

// When `args[i]` is a mail option, takes it (and its value, moving `i`) into `mail` and returns
// true; `error` is set when its value is missing or wrong.
bool TakeMailOption(const std::vector<std::string>& args, std::size_t& i, MailOptions& mail,
                    std::string& error);

// The mail options as a whole, with the rest of the command line: the usage error, or nullopt.
std::optional<std::string> MailUsageError(const MailOptions& mail, bool one_file, bool check);

// The settings for the run; reads the password and the body file (not for a check, which sends
// nothing). Nullopt with `problem` set (a message for the user) when one cannot be read or is
// not safe.
std::optional<delivery::MailSettings> MailSettingsFrom(const MailOptions& mail, bool check,
                                                       std::string& problem);

// The help text's lines about mail.
std::string MailHelpText();

}  // namespace vexlo::cli

#endif  // VEXLO_CLI_MAIL_OPTIONS_H_
