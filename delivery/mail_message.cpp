#include "delivery/mail_message.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <random>

namespace vexlo::delivery {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

// "Wed, 09 Dec 2026 23:59:15 +0800": English names, as the standard has them, whatever the locale.
std::string DateHeader(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&when, &local);
  const long offset = local.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[local.tm_wday], local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900,
                local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                std::labs(offset) / 60, std::labs(offset) % 60);
  return text;
}

std::string RandomHex(std::size_t digits) {
  static thread_local std::mt19937_64 engine{std::random_device{}()};
  std::string out;
  while (out.size() < digits) {
    char part[17];
    std::snprintf(part, sizeof part, "%016llx", static_cast<unsigned long long>(engine()));
    out += part;
  }
  out.resize(digits);
  return out;
}

// Body text with every line ending as CR LF.
std::string CrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 40);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string NewMessageId(const std::string& from_address) {
  static std::atomic<unsigned> counter{0};
  const std::size_t at = from_address.rfind('@');
  const std::string domain = at == std::string::npos ? "localhost" : from_address.substr(at + 1);
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  return "<" + std::to_string(now) + "." + std::to_string(::getpid()) + "." +
         std::to_string(++counter) + "." + RandomHex(12) + "@" + domain + ">";
}

std::string AttachmentType(const std::string& file_name) {
  const std::size_t dot = file_name.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : Lower(file_name.substr(dot));
  if (ext == ".pdf") return "application/pdf";
  if (ext == ".docx") return "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
  if (ext == ".doc") return "application/msword";
  if (ext == ".rtf") return "application/rtf";
  if (ext == ".odt") return "application/vnd.oasis.opendocument.text";
  return "application/octet-stream";
}

std::string BuildMessage(const OutgoingMail& mail, std::time_t when) {
  const std::string boundary = "=_vexlo_" + RandomHex(24);
  std::string m;
  m.reserve(mail.attachment.size() * 4 / 3 + mail.attachment.size() / 38 + mail.body.size() * 2 +
            2048);
  m += "From: " + MailboxHeader(mail.from) + "\r\n";
  m += "To: " + MailboxHeader(mail.to) + "\r\n";
  m += "Subject: " + HeaderText(OneLine(mail.subject)) + "\r\n";
  m += "Date: " + DateHeader(when) + "\r\n";
  m += "Message-ID: " + mail.message_id + "\r\n";
  m += "MIME-Version: 1.0\r\n";
  m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
  m += "\r\n";
  m += "--" + boundary + "\r\n";
  m += std::string("Content-Type: ") + (mail.body_html ? "text/html" : "text/plain") +
       "; charset=UTF-8\r\n";
  m += "Content-Transfer-Encoding: base64\r\n\r\n";
  m += Base64Lines(mail.body_html ? mail.body : CrLf(mail.body));
  if (!mail.attachment_name.empty()) {
    m += "--" + boundary + "\r\n";
    m += "Content-Type: " + AttachmentType(mail.attachment_name) +
         EncodedWordParameter("name", mail.attachment_name) + "\r\n";
    m += "Content-Disposition: attachment" + HeaderParameter("filename", mail.attachment_name) +
         "\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    m += Base64Lines(mail.attachment);
  }
  m += "--" + boundary + "--\r\n";
  return m;
}

}  // namespace vexlo::delivery
