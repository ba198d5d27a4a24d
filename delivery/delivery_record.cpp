#include "delivery/delivery_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace vexlo::delivery {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
const std::vector<std::string> kHeader = {"记录", "地址", "文件", "时间", "服务器应答", "邮件标识",
                                          "内容摘要"};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return s;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    const std::string& f = fields[i];
    if (f.find_first_of(",\"\r\n") == std::string::npos) {
      line += f;
      continue;
    }
    line += '"';
    for (char c : f) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  return line + "\r\n";
}

std::vector<std::vector<std::string>> ParseCsvLines(const std::string& text,
                                                  std::size_t* complete) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  if (complete) *complete = 0;
  std::size_t i = text.compare(0, kBom.size(), kBom) == 0 ? kBom.size() : 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      fields.push_back(std::move(field));
      field.clear();
      lines.push_back(std::move(fields));
      fields.clear();
      if (complete) *complete = i + 1;
    } else {
      field += c;
    }
  }
  // A last line without its break was cut short: dropped.
  return lines;
}

std::string DeliveryRecord::Key(const std::string& address, const std::string& file,
                                const std::string& content) {
  return Lower(address) + '\x1f' + file + '\x1f' + content;
}

std::optional<std::string> DeliveryRecord::Open(const std::string& path) {
  path_ = path;
  sent_.clear();
  ends_cut_ = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return "无法读取送达记录“" + path + "”：" + std::strerror(errno);
  }
  if (!S_ISREG(st.st_mode)) return "“" + path + "”不是文件，无法写入送达记录。";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "无法读取送达记录“" + path + "”。";
  std::ostringstream text;
  text << in.rdbuf();
  const std::string bytes = text.str();
  std::size_t complete = 0;
  const auto lines = ParseCsvLines(bytes, &complete);
  ends_cut_ = complete < bytes.size();
  complete_size_ = complete;
  for (const auto& fields : lines) {
    if (fields.size() < 7 || fields == kHeader) continue;
    sent_.insert(Key(fields[1], fields[2], fields[6]));
  }
  if (::access(path.c_str(), W_OK) != 0) return "送达记录“" + path + "”不能写入，请检查它的权限。";
  return {};
}

bool DeliveryRecord::Sent(const std::string& address, const std::string& file,
                          const std::string& content) const {
  return sent_.count(Key(address, file, content)) > 0;
}

std::optional<std::string> DeliveryRecord::Append(const DeliveryEntry& e) {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return "无法写入送达记录“" + path_ + "”：" + std::strerror(errno);
  // The line of a run killed while writing it goes: it was never whole.
  if (ends_cut_ && ::ftruncate(fd, static_cast<off_t>(complete_size_)) != 0) {
    const int saved = errno;
    ::close(fd);
    return "无法写入送达记录“" + path_ + "”：" + std::strerror(saved);
  }
  struct stat st {};
  std::string bytes;
  if (::fstat(fd, &st) == 0 && st.st_size == 0) bytes = std::string(kBom) + CsvLine(kHeader);
  bytes += CsvLine({e.record, e.address, e.file, e.time, e.answer, e.message_id, e.content});
  const bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!ok) return "无法写入送达记录“" + path_ + "”：" + std::strerror(saved);
  ends_cut_ = false;
  sent_.insert(Key(e.address, e.file, e.content));
  return {};
}

std::string RecordTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace vexlo::delivery
