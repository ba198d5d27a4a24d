#include "cli/mail_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/codepage.h"

namespace vexlo::cli {
namespace {

constexpr const char* kPasswordVariable = "VEXLO_SMTP_PASSWORD";

bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3
                            : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// The password file's first line. Refused when others than its owner may read it or it is not
// this user's: a password there would not be a secret.
std::string ReadPasswordFile(const std::string& path, std::string& password) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return "找不到密码文件“" + path + "”。";
  if (!S_ISREG(st.st_mode)) return "“" + path + "”不是文件。";
  if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    return "密码文件“" + path + "”其他用户也能读取，不安全。请先执行：chmod 600 " + path;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "无法读取密码文件“" + path + "”。";
  std::getline(in, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) return "密码文件“" + path + "”的第一行是空的。";
  return {};
}

// The body template: UTF-8 (a byte order mark dropped), or GB18030 as Chinese editors save it.
std::string ReadBody(const std::string& path, std::string& body) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "找不到或无法读取邮件正文文件“" + path + "”。";
  std::ostringstream text;
  text << in.rdbuf();
  body = text.str();
  if (body.rfind("\xEF\xBB\xBF", 0) == 0) body.erase(0, 3);
  if (!IsUtf8(body)) {
    std::string utf8;
    if (!app::ToUtf8("GB18030", body, utf8)) return "无法识别邮件正文文件“" + path + "”的编码。";
    body = utf8;
  }
  return {};
}

}  // namespace

bool TakeMailOption(const std::vector<std::string>& args, std::size_t& i, MailOptions& mail,
                    std::string& error) {
  const std::string& arg = args[i];
  auto value = [&](std::string& into) {
    if (i + 1 >= args.size()) {
      error = "选项 " + arg + " 后面缺少参数";
      return true;
    }
    into = args[++i];
    return true;
  };
  bool taken = true;
  if (arg == "--mail-column") {
    value(mail.column);
  } else if (arg == "--smtp") {
    value(mail.smtp);
  } else if (arg == "--smtp-plain") {
    mail.plain = true;
  } else if (arg == "--smtp-user") {
    value(mail.user);
  } else if (arg == "--smtp-ca") {
    value(mail.ca);
  } else if (arg == "--smtp-password-file") {
    value(mail.password_file);
  } else if (arg == "--smtp-password") {
    error = "密码不能写在命令行上（其他用户能看到）：请用环境变量 VEXLO_SMTP_PASSWORD 或 "
            "--smtp-password-file";
  } else if (arg == "--mail-from") {
    value(mail.from);
  } else if (arg == "--mail-subject") {
    std::string text;
    value(text);
    mail.subject = text;
  } else if (arg == "--mail-body") {
    value(mail.body_file);
  } else if (arg == "--attach") {
    value(mail.attach);
    if (error.empty() && mail.attach != "pdf" && mail.attach != "doc") {
      error = "--attach 只能是 pdf 或 doc：" + mail.attach;
    }
  } else if (arg == "--resend") {
    mail.resend = true;
  } else if (arg == "--mail-rate") {
    std::string text;
    value(text);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mail.per_minute);
    if (error.empty() && (ec != std::errc() || end != text.data() + text.size() ||
                          mail.per_minute < 1 || mail.per_minute > delivery::kMaxPerMinute)) {
      error = "--mail-rate 必须是 1 到 " + std::to_string(delivery::kMaxPerMinute) +
              " 之间的整数：" + text;
    }
  } else {
    taken = false;
  }
  if (taken) mail.any = true;
  return taken;
}

std::optional<std::string> MailUsageError(const MailOptions& mail, bool one_file, bool check) {
  if (!mail.any) return {};
  if (mail.column.empty()) return "发送邮件需要用 --mail-column 指定存放邮件地址的列";
  if (one_file) return "--one-file 不能和发送邮件一起使用：一个文件不能分别发给每个人";
  if (check) return {};
  if (mail.smtp.empty()) return "发送邮件需要用 --smtp 指定邮件服务器";
  if (mail.from.empty()) return "发送邮件需要用 --mail-from 指定发件人";
  if (!delivery::ParseMailbox(mail.from)) return "发件人地址格式不对：" + mail.from;
  return {};
}

std::optional<delivery::MailSettings> MailSettingsFrom(const MailOptions& mail, bool check,
                                                       std::string& problem) {
  delivery::MailSettings s;
  s.column = mail.column;
  s.smtp.url = mail.smtp;
  s.smtp.plain = mail.plain;
  s.smtp.user = mail.user;
  s.smtp.ca_file = mail.ca;
  if (const auto from = delivery::ParseMailbox(mail.from)) s.from = *from;
  s.subject = mail.subject.value_or("");
  s.attach = mail.attach == "doc" ? delivery::Attachment::kDocument : delivery::Attachment::kPdf;
  s.resend = mail.resend;
  s.per_minute = mail.per_minute;
  if (check) return s;
  if (!mail.ca.empty() && ::access(mail.ca.c_str(), R_OK) != 0) {
    problem = "找不到或无法读取证书文件“" + mail.ca + "”。";
    return std::nullopt;
  }
  if (!mail.body_file.empty()) {
    problem = ReadBody(mail.body_file, s.body);
    if (!problem.empty()) return std::nullopt;
    const std::string name = Lower(mail.body_file);
    s.body_html = name.ends_with(".html") || name.ends_with(".htm");
  }
  if (!mail.user.empty()) {
    if (!mail.password_file.empty()) {
      problem = ReadPasswordFile(mail.password_file, s.smtp.password);
      if (!problem.empty()) return std::nullopt;
    } else if (const char* env = std::getenv(kPasswordVariable); env && *env) {
      s.smtp.password = env;
    } else {
      problem = "登录邮件服务器需要密码：请设置环境变量 VEXLO_SMTP_PASSWORD，"
                "或用 --smtp-password-file 指定只有您能读取的密码文件。";
      return std::nullopt;
    }
  }
  return s;
}

std::string MailHelpText() {
  return
      "\n"
      "发送邮件（每条记录的文件发到该记录的邮件地址）：\n"
      "  --mail-column 标题     存放邮件地址的列\n"
      "  --smtp 地址            邮件服务器：smtps://主机:465（加密连接）或\n"
      "                         smtp://主机:587（必须能用 STARTTLS 加密）\n"
      "  --smtp-plain           smtp:// 不加密，只用于本机的邮件中转（不能登录其他主机）\n"
      "  --smtp-user 用户名     登录名；密码取自环境变量 VEXLO_SMTP_PASSWORD\n"
      "  --smtp-password-file 文件  或取自该文件的第一行（文件权限必须是 600）\n"
      "  --smtp-ca 文件         信任这个证书文件（公司自己的服务器），不用系统的证书库\n"
      "  --mail-from 地址       发件人，可带名字：\"张三 <zhangsan@example.com>\"\n"
      "  --mail-subject 文字    邮件主题，其中的列标题换成该记录的值（默认是模板的文件名）\n"
      "  --mail-body 文件       邮件正文（.txt 纯文本或 .html 网页），列标题同样替换\n"
      "  --attach pdf|doc       附上 PDF（默认，自动加上 --pdf）或 Word 文档\n"
      "  --mail-rate 数量       每分钟最多发送的邮件数（默认 30）\n"
      "  --resend               连已有送达记录的也重新发送\n"
      "文件全部生成并检查后才开始发送。每封被服务器接收的邮件都立即记入输出文件夹中的\n"
      "“送达记录.csv”；再次运行时只发送还没有送达记录的（同一地址、同一文件、内容相同）。\n"
      "服务器暂时拒收（4xx）、超时或断线时稍后重试；永久拒收（5xx）和地址有误的记录\n"
      "列在最后的说明中。开始写文件之前先连接服务器并登录，地址重复的记录在检查中列出。\n";
}

}  // namespace vexlo::cli
