#include "delivery/smtp_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <cctype>
#include <mutex>

namespace vexlo::delivery {
namespace {

CURL* Easy(void* handle) { return static_cast<CURL*>(handle); }

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The host of "scheme://host:port/..." ("" when there is none).
std::string HostOf(const std::string& url) {
  const std::size_t start = url.find("://");
  if (start == std::string::npos) return {};
  std::string rest = url.substr(start + 3);
  rest = rest.substr(0, rest.find('/'));
  if (!rest.empty() && rest.front() == '[') return rest.substr(1, rest.find(']') - 1);
  return rest.substr(0, rest.find(':'));
}

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace

std::optional<std::string> SettingsProblem(const SmtpSettings& settings) {
  const std::string url = Lower(settings.url);
  const bool smtps = url.rfind("smtps://", 0) == 0, smtp = url.rfind("smtp://", 0) == 0;
  if (!smtps && !smtp) {
    return "邮件服务器地址应以 smtps://（加密连接，通常是 465 端口）或 smtp://（STARTTLS 加密，"
           "通常是 587 端口）开头：" + settings.url;
  }
  const std::string host = HostOf(settings.url);
  if (host.empty()) return "邮件服务器地址中缺少服务器名：" + settings.url;
  if (settings.plain && smtps) return "smtps:// 地址本身就是加密连接，不能同时选择不加密。";
  // A password never crosses a network unencrypted; on the same machine nobody sees it.
  if (settings.plain && !settings.user.empty() && !IsLoopback(host)) {
    return "不加密的连接只能用于本机的邮件中转（localhost），而且不能登录；"
           "连接“" + host + "”请使用加密连接。";
  }
  return {};
}

struct SmtpSender::Transfer {
  const std::string* message = nullptr;
  std::size_t sent = 0;
  std::string last_reply;    // the last line the server sent
  std::string last_refusal;  // the last 4xx or 5xx line (a QUIT's "221" may follow it)
  std::string last_command;  // the verb of the last command sent (MAIL, RCPT, DATA, AUTH ...)
};

namespace {

std::size_t ReadMessage(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<SmtpSender::Transfer*>(user);
  const std::string& message = *transfer.message;
  const std::size_t n = std::min(size * count, message.size() - transfer.sent);
  std::memcpy(buffer, message.data() + transfer.sent, n);
  transfer.sent += n;
  return n;
}

int WhileWaiting(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& call = *static_cast<const std::function<void()>*>(user);
  if (call) call();
  return 0;  // never aborts
}

// A command's reply text (NOOP's) is not wanted anywhere.
std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

}  // namespace

// The server's reply lines and the commands' verbs, taken from curl's trace. What was sent after
// a command verb (the login's data above all) is never kept.
static int Trace(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
  auto& transfer = *static_cast<SmtpSender::Transfer*>(user);
  std::string text(data, size);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (type == CURLINFO_HEADER_IN) {
    const std::size_t last = text.rfind('\n');
    transfer.last_reply = last == std::string::npos ? text : text.substr(last + 1);
    if (!transfer.last_reply.empty() && (transfer.last_reply[0] == '4' || transfer.last_reply[0] == '5')) {
      transfer.last_refusal = transfer.last_reply;
    }
  } else if (type == CURLINFO_HEADER_OUT) {
    transfer.last_command = text.substr(0, text.find(' '));
    if (transfer.last_command.size() > 8) transfer.last_command.clear();  // login data, not a verb
  }
  return 0;
}

SmtpSender::SmtpSender(SmtpSettings settings) : settings_(std::move(settings)) {
  GlobalInit();
  curl_ = curl_easy_init();
}

SmtpSender::~SmtpSender() { curl_easy_cleanup(Easy(curl_)); }

SendResult SmtpSender::Check() {
  CURL* curl = Easy(curl_);
  Transfer transfer;
  curl_easy_reset(curl);
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "NOOP");
  return Perform(transfer);
}

SendResult SmtpSender::Send(const std::string& from, const std::string& to,
                            const std::string& message) {
  CURL* curl = Easy(curl_);
  Transfer transfer;
  transfer.message = &message;
  curl_easy_reset(curl);
  const std::string mail_from = "<" + from + ">";
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, mail_from.c_str());
  curl_slist* rcpt = curl_slist_append(nullptr, ("<" + to + ">").c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
  curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  SendResult result = Perform(transfer);
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, nullptr);
  curl_slist_free_all(rcpt);
  if (result.status == SendStatus::kPermanent && transfer.last_command == "MAIL") {
    // The sender is refused: no message will go.
    result.status = SendStatus::kFatal;
    result.answer = "服务器拒绝了发件人地址“" + from + "”：" + result.answer;
  }
  return result;
}

SendResult SmtpSender::Perform(Transfer& transfer) {
  CURL* curl = Easy(curl_);
  const std::string url = settings_.url;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(curl, CURLOPT_USE_SSL,
                   static_cast<long>(settings_.plain ? CURLUSESSL_NONE : CURLUSESSL_ALL));
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, settings_.ca_file.c_str());
  if (!settings_.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, settings_.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, settings_.password.c_str());
  }
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(settings_.connect_timeout.count()));
  curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                   static_cast<long>(settings_.reply_timeout.count()));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings_.reply_timeout.count()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WhileWaiting);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &while_waiting_);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, Trace);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &transfer);

  const CURLcode rc = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  SendResult result;
  result.code = static_cast<int>(code);
  result.answer = code >= 400 && !transfer.last_refusal.empty() ? transfer.last_refusal
                                                                : transfer.last_reply;
  if (rc == CURLE_OK) {
    result.status = SendStatus::kAccepted;
    return result;
  }
  const std::string reply = result.answer.empty() ? "" : "（" + result.answer + "）";
  switch (rc) {
    case CURLE_LOGIN_DENIED:
      result.status = SendStatus::kFatal;
      result.answer = "服务器拒绝登录，请检查用户名和密码" + reply;
      return result;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
      result.status = SendStatus::kFatal;
      result.answer = "无法验证邮件服务器的证书（" + std::string(curl_easy_strerror(rc)) +
                      "）；公司自己的服务器请指定它的证书文件";
      return result;
    case CURLE_USE_SSL_FAILED:
      result.status = SendStatus::kFatal;
      result.answer = "邮件服务器不支持加密连接（STARTTLS）" + reply;
      return result;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_HOST:
      result.status = SendStatus::kFatal;
      result.answer = "邮件服务器地址不对：" + settings_.url;
      return result;
    default:
      break;
  }
  if (code >= 500 && code < 600) {
    result.status = code == 530 || code == 534 || code == 535 ? SendStatus::kFatal
                                                               : SendStatus::kPermanent;
    return result;
  }
  result.status = SendStatus::kTemporary;
  if (code < 400 || result.answer.empty()) {
    // No refusal came: the reply that came last (a greeting, a 334) tells nothing.
    result.answer = rc == CURLE_OPERATION_TIMEDOUT ? "等待服务器应答超时"
                    : rc == CURLE_COULDNT_CONNECT  ? "无法连接到邮件服务器"
                                                   : "与邮件服务器的连接中断";
    result.answer += "（" + std::string(curl_easy_strerror(rc)) + "）";
  }
  return result;
}

}  // namespace vexlo::delivery
