// The tests' own SMTP server (smtp_test_server.py under Debian's python3 with aiosmtpd) run as a
// child process on a free port of 127.0.0.1, with a self-signed certificate made by openssl for
// this run, and the messages it accepted as a mail program would show them.
#ifndef VEXLO_TESTS_MAIL_TEST_SMTP_SERVER_H_
#define VEXLO_TESTS_MAIL_TEST_SMTP_SERVER_H_

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vexlo::test {

// One accepted message, decoded by Python's mail package.
struct DeliveredMail {
  std::string rcpt, to, from_name, from, subject, filename, message_id, body;
  std::filesystem::path attachment;  // the attachment's bytes
  std::filesystem::path raw;         // the message as received
};

class TestSmtpServer {
 public:
  // Serves from `dir` (certificate, key and received messages go there). `options`: further
  // arguments of the server ("--tls implicit", "--reject x@y.cn", "--drop 2" ...).
  TestSmtpServer(const std::filesystem::path& dir, const std::string& options = "");
  ~TestSmtpServer();  // stops the server
  TestSmtpServer(const TestSmtpServer&) = delete;
  TestSmtpServer& operator=(const TestSmtpServer&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  std::string url(const std::string& scheme = "smtp") const;
  std::filesystem::path cert() const { return dir_ / "cert.pem"; }
  static constexpr const char* kUser = "clerk";
  static constexpr const char* kPassword = "pa55 word:工资";

  // The messages accepted so far, in order.
  std::vector<DeliveredMail> Messages() const;
  int Count() const;

 private:
  std::filesystem::path dir_;
  std::filesystem::path box_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// Makes the certificate and key (CN and SAN 127.0.0.1) in `dir`; false when openssl failed.
bool MakeTestCertificate(const std::filesystem::path& dir);

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_MAIL_TEST_SMTP_SERVER_H_
