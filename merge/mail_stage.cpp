#include "merge/mail_stage.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "delivery/mail_encoding.h"
#include "merge/merge_session.h"
#include "merge/run_stages.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kError = "错误提示";
constexpr std::size_t kListed = 20;  // records named in one list at most

std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string Folded(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string RecordText(int index, const std::string& name) {
  return "第 " + std::to_string(index) + " 条“" + name + "”";
}

// A list under its heading, cut after kListed entries with the full count.
void AppendList(std::vector<std::string>& lines, const std::string& heading,
                const std::vector<std::string>& entries) {
  if (entries.empty()) return;
  lines.push_back(heading);
  for (std::size_t i = 0; i < entries.size() && i < kListed; ++i) lines.push_back("  " + entries[i]);
  if (entries.size() > kListed) lines.push_back("  ……共 " + std::to_string(entries.size()) + " 条。");
}

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string FillTitles(const std::string& text, const std::vector<std::string>& titles,
                       const std::vector<std::string>& values) {
  std::string out;
  std::size_t at = 0;
  for (const TitlePlace& p : TitlePlaces(text, titles)) {
    out.append(text, at, p.begin - at);
    if (p.title < values.size()) out += values[p.title];
    at = p.end;
  }
  out.append(text, at, std::string::npos);
  return out;
}

std::string ContentKey(const std::vector<std::string>& values) {
  // FNV-1a, 64 bits: stable across builds and machines, which std::hash is not promised to be.
  std::uint64_t h = 14695981039346656037ull;
  for (const std::string& v : values) {
    for (unsigned char c : v) h = (h ^ c) * 1099511628211ull;
    h = (h ^ 0x1F) * 1099511628211ull;  // the field's end, so that "ab","c" differs from "a","bc"
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

std::optional<std::string> AddressRefusal(const std::string& address) {
  if (address.empty()) return "没有邮件地址";
  if (!delivery::IsMailAddress(address)) return "邮件地址“" + address + "”格式不对";
  return std::nullopt;
}

std::vector<std::string> AddressFindings(const std::vector<RecordAddress>& addresses) {
  std::vector<std::string> unusable, repeated;
  std::map<std::string, const RecordAddress*> first;
  for (const RecordAddress& r : addresses) {
    if (const std::optional<std::string> refusal = AddressRefusal(r.address)) {
      unusable.push_back(RecordText(r.index, r.name) + "：" + *refusal);
      continue;
    }
    const auto [it, fresh] = first.emplace(Folded(r.address), &r);
    if (!fresh) {
      repeated.push_back(RecordText(r.index, r.name) + "与" +
                         RecordText(it->second->index, it->second->name) + "的地址都是“" +
                         r.address + "”");
    }
  }
  std::vector<std::string> lines;
  AppendList(lines, "以下记录的邮件地址与前面的记录相同，请确认没有填错（仍会各自发送）：", repeated);
  AppendList(lines, "以下记录没有可用的邮件地址，不会发送：", unusable);
  return lines;
}

std::vector<std::string> MailLines(const delivery::DeliveryReport& report) {
  std::vector<std::string> lines;
  std::string count = "已发送 " + std::to_string(report.sent) + " 封邮件";
  if (report.skipped > 0) {
    count += "，" + std::to_string(report.skipped) + " 封以前已发送过（见“" +
             std::string(delivery::kDeliveryRecordName) + "”），这次没有再发";
  }
  lines.push_back(count + "。");
  if (!report.stopped.empty()) lines.push_back("发送已停止：" + report.stopped + "。");
  if (report.not_sent > 0) {
    lines.push_back("还有 " + std::to_string(report.not_sent) +
                    " 封没有发送；再次运行时只发送没有送达记录的邮件。");
  }
  std::vector<std::string> failed;
  for (const delivery::DeliveryFailure& f : report.failed) {
    failed.push_back(RecordText(f.index, f.record) +
                     (f.address.empty() ? "" : " <" + f.address + ">") + "：" + f.reason);
  }
  AppendList(lines, "以下 " + std::to_string(report.failed.size()) + " 封邮件没有发出：", failed);
  return lines;
}

MailStage::MailStage(const MergeRequest& request, MergeObserver& observer)
    : request_(request), settings_(*request.mail), observer_(observer) {}

bool MailStage::RequestUsable() {
  std::string problem;
  if (request_.one_file) {
    problem = "“输出到同一个文件”时不能发送邮件：一个文件不能分别发给每个人。";
  } else if (Trimmed(settings_.column).empty()) {
    problem = "请选择存放邮件地址的列。";
  } else if (request_.check_only) {
    return true;  // nothing is sent: the addresses are checked, the server is not asked
  } else if (!delivery::IsMailAddress(settings_.from.address)) {
    problem = "发件人地址“" + settings_.from.address + "”格式不对。";
  } else if (settings_.per_minute < 1 || settings_.per_minute > delivery::kMaxPerMinute) {
    problem = "每分钟发送的邮件数应在 1 到 " + std::to_string(delivery::kMaxPerMinute) + " 之间。";
  } else if (!settings_.smtp.user.empty() && settings_.smtp.password.empty()) {
    problem = "没有登录邮件服务器的密码，请在“邮件设置”中填写。";
  } else {
    problem = delivery::SettingsProblem(settings_.smtp).value_or("");
  }
  if (problem.empty()) return true;
  observer_.Message(kError, problem);
  return false;
}

bool MailStage::ReadAddresses(const DataSource& data, int records, CheckFindings& findings) {
  titles_ = data.TitleNames();
  const std::string wanted = Folded(Trimmed(settings_.column));
  column_ = 0;
  for (std::size_t k = 0; k < titles_.size() && column_ == 0; ++k) {
    if (Folded(Trimmed(titles_[k])) == wanted) column_ = static_cast<int>(k) + 1;
  }
  if (column_ == 0) {
    observer_.Message(kError, "数据中没有标题为“" + settings_.column +
                                  "”的列，无法知道每条记录发给谁。请检查邮件地址列的标题。");
    observer_.Focus(MergeField::kData);
    return false;
  }
  // The address column and the titles the subject or body use are used, not missing.
  const std::string texts = settings_.subject + "\n" + settings_.body;
  std::vector<std::string> used = {titles_[column_ - 1]};
  for (const TitlePlace& p : TitlePlaces(texts, titles_)) used.push_back(titles_[p.title]);
  std::erase_if(findings.unused_titles, [&](const std::string& t) {
    return std::find(used.begin(), used.end(), t) != used.end();
  });
  std::vector<RecordAddress> addresses;
  for (int i = 0; i < records; ++i) {
    const int row = DataSource::kFirstRecordRow + i;
    addresses.push_back({i + 1, data.ReadRecordName(row).value_or(""),
                         Trimmed(data.ReadFieldValue(column_, row))});
  }
  for (std::string& line : AddressFindings(addresses)) findings.other.push_back(std::move(line));
  return true;
}

bool MailStage::Ready(const std::string& folder) {
  sender_ = std::make_unique<delivery::SmtpSender>(settings_.smtp);
  const delivery::SendResult check = sender_->Check();
  if (check.status != delivery::SendStatus::kAccepted) {
    observer_.Message(kError, "无法使用邮件服务器“" + settings_.smtp.url + "”：" + check.answer +
                                  "。\n没有写入任何文件。");
    return false;
  }
  if (const std::optional<std::string> problem = record_.Open(folder + delivery::kDeliveryRecordName)) {
    observer_.Message(kError, *problem);
    observer_.Focus(MergeField::kOutput);
    return false;
  }
  return true;
}

void MailStage::TakeRecords(const std::vector<RecordResult>& records, const DataSource& data) {
  const std::string subject = settings_.subject.empty()
                                  ? fs::path(request_.template_path).stem().string()
                                  : settings_.subject;
  for (const RecordResult& r : records) {
    // Everything of one message comes from this one row.
    std::vector<std::string> values;
    for (std::size_t k = 1; k <= titles_.size(); ++k) {
      values.push_back(data.ReadFieldValue(static_cast<int>(k), r.row));
    }
    delivery::DeliveryJob job;
    job.index = r.index;
    job.record = r.name;
    job.address = Trimmed(values[column_ - 1]);
    job.problem = AddressRefusal(job.address).value_or("");  // the delivery's field: "" when usable
    job.attachment = settings_.attach == delivery::Attachment::kPdf ? r.pdf : r.document;
    if (job.attachment.empty() && job.problem.empty()) job.problem = "没有可以附上的文件";
    const std::string file = fs::path(job.attachment).filename().string();
    job.subject = FillTitles(subject, titles_, values);
    job.body_html = !settings_.body.empty() && settings_.body_html;
    if (settings_.body.empty()) {
      job.body = "您好！\n\n附件“" + file + "”是发给您的文件，请查收。\n";
    } else if (job.body_html) {
      // A value is text in the page, never markup.
      std::vector<std::string> escaped;
      for (const std::string& v : values) escaped.push_back(HtmlEscaped(v));
      job.body = FillTitles(settings_.body, titles_, escaped);
    } else {
      job.body = FillTitles(settings_.body, titles_, values);
    }
    job.content = ContentKey(values);
    jobs_.push_back(std::move(job));
  }
}

delivery::DeliveryReport MailStage::Send() {
  delivery::DeliveryOptions options;
  options.from = settings_.from;
  options.resend = settings_.resend;
  options.per_minute = settings_.per_minute;
  delivery::DeliveryWatch watch;
  watch.progress = [this](int done, int total) {
    if (total > 0) observer_.StageProgress(MergeStage::kMailing, done, total);
  };
  watch.cancelled = [this] { return observer_.CancelRequested(); };
  return delivery::Deliver(jobs_, *sender_, record_, options, watch);
}

}  // namespace vexlo::merge
