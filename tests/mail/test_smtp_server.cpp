#include "tests/mail/test_smtp_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/test_paths.h"

namespace vexlo::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

bool MakeTestCertificate(const fs::path& dir) {
  if (fs::exists(dir / "cert.pem")) return true;
  const std::string cmd =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
      "-addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " +
      Quoted((dir / "key.pem").string()) + " -out " + Quoted((dir / "cert.pem").string()) +
      " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

TestSmtpServer::TestSmtpServer(const fs::path& dir, const std::string& options)
    : dir_(dir), box_(dir / "box") {
  fs::create_directories(box_);
  if (!MakeTestCertificate(dir_)) return;
  const fs::path port_file = dir_ / "port";
  fs::remove(port_file);
  const std::string cmd = "exec /usr/bin/python3 " + Quoted(VEXLO_SMTP_TEST_SERVER) +
                          " --folder " + Quoted(box_.string()) + " --port-file " +
                          Quoted(port_file.string()) + " --cert " + Quoted(cert().string()) +
                          " --key " + Quoted((dir_ / "key.pem").string()) + " --user " + kUser +
                          " --password " + Quoted(kPassword) + " " + options + " 2>>" +
                          Quoted((dir_ / "server.log").string());
  pid_ = ::fork();
  if (pid_ == 0) {
    ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 200 && port_ == 0; ++i) {
    if (fs::exists(port_file)) port_ = std::atoi(ReadFile(port_file).c_str());
    if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

TestSmtpServer::~TestSmtpServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::string TestSmtpServer::url(const std::string& scheme) const {
  return scheme + "://127.0.0.1:" + std::to_string(port_);
}

int TestSmtpServer::Count() const {
  int n = 0;
  for (const auto& e : fs::directory_iterator(box_)) n += e.path().extension() == ".eml";
  return n;
}

std::vector<DeliveredMail> TestSmtpServer::Messages() const {
  std::vector<fs::path> raws;
  for (const auto& e : fs::directory_iterator(box_)) {
    if (e.path().extension() == ".eml") raws.push_back(e.path());
  }
  std::sort(raws.begin(), raws.end());
  std::vector<DeliveredMail> mails;
  for (const fs::path& raw : raws) {
    DeliveredMail m;
    m.raw = raw;
    m.attachment = fs::path(raw).replace_extension(".att");
    std::istringstream lines(ReadFile(fs::path(raw).replace_extension(".txt")));
    for (std::string line; std::getline(lines, line);) {
      const std::size_t colon = line.find(": ");
      if (colon == std::string::npos) continue;
      const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
      if (key == "rcpt") m.rcpt = value;
      if (key == "to") m.to = value;
      if (key == "from-name") m.from_name = value;
      if (key == "from") m.from = value;
      if (key == "subject") m.subject = value;
      if (key == "filename") m.filename = value;
      if (key == "message-id") m.message_id = value;
      if (key == "body") m.body = value;
    }
    mails.push_back(std::move(m));
  }
  return mails;
}

}  // namespace vexlo::test
