// Sending messages to one SMTP server through libcurl: implicit TLS (smtps://), STARTTLS that
// must succeed (smtp://), or plain SMTP only when asked for a local relay; the server's
// certificate is always verified (against the system store, or against one certificate file the
// user trusts). One connection is kept open across messages. Each result says whether the message
// was accepted, may be tried again (4xx, timeouts, a dropped connection), was refused for good
// (5xx), or whether sending cannot go on at all (certificate, login, sender refused).
// One thread at a time.
#ifndef VEXLO_DELIVERY_SMTP_SENDER_H_
#define VEXLO_DELIVERY_SMTP_SENDER_H_

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vexlo::delivery {

struct SmtpSettings {
  std::string url;          // "smtps://host:465" or "smtp://host:587"
  bool plain = false;       // smtp:// without TLS (a local relay); never sends a password
  std::string user;         // "" for no login
  std::string password;
  std::string ca_file;      // trusted certificate file ("" for the system store)
  std::chrono::seconds connect_timeout{30};
  std::chrono::seconds reply_timeout{60};  // the longest wait for a reply or for progress
};

// What is wrong with settings before anything is tried (nullopt when nothing is): the URL's
// scheme, host and the plain/TLS choice. The text is for the user.
std::optional<std::string> SettingsProblem(const SmtpSettings& settings);

enum class SendStatus {
  kAccepted,   // the server took the message
  kTemporary,  // worth trying again later: 4xx, a timeout, a dropped or refused connection
  kPermanent,  // this message was refused for good (5xx for the recipient or its content)
  kFatal,      // no message can go: certificate, login, TLS missing, sender refused
};

struct SendResult {
  SendStatus status = SendStatus::kTemporary;
  int code = 0;        // the server's reply code (0: no reply)
  std::string answer;  // the server's last reply line, else what went wrong (Chinese)
};

class SmtpSender {
 public:
  explicit SmtpSender(SmtpSettings settings);
  ~SmtpSender();
  SmtpSender(const SmtpSender&) = delete;
  SmtpSender& operator=(const SmtpSender&) = delete;

  // Connects, secures and logs in, then asks NOOP: the settings work (kAccepted) or not.
  SendResult Check();
  // Sends `message` (CR LF lines, headers first) from `from` to `to` (bare addresses).
  SendResult Send(const std::string& from, const std::string& to, const std::string& message);

  // Called now and then while an exchange waits on the server (a window keeps painting); it
  // cannot stop the exchange: a message is sent whole or not at all.
  void set_while_waiting(std::function<void()> call) { while_waiting_ = std::move(call); }

  struct Transfer;  // what one exchange sent and saw (smtp_sender.cpp)

 private:
  SendResult Perform(Transfer& transfer);

  SmtpSettings settings_;
  std::function<void()> while_waiting_;
  void* curl_;  // the easy handle, kept so its connection is reused
};

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_SMTP_SENDER_H_
