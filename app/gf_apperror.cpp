#include "app/gf_apperror.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/error_log.h"
#include "app/host.h"
#include "app/install_paths.h"
#include "app/shown_text.h"

namespace vexlo::app {
namespace {

// The six detail lines, without indentation, in the order of the record. The texts may carry
// names from files (a part name, a path): their control characters are shown escaped.
std::vector<std::string> Details(const ErrorRecord& r) {
  return {
      "1.代号：" + std::to_string(r.number),
      "2.信息：" + EscapeControls(r.text),
      "3.对象：" + EscapeControls(r.window),
      "4.控件：" + EscapeControls(r.control),
      "5.脚本：" + EscapeControls(r.script),
      "6.行号：第 " + std::to_string(r.line) + " 行",
  };
}

// Appends the entry to "AppError.txt" in the current folder. When that folder cannot take it (a
// read-only folder, the file system root a desktop may start programs in), the entry goes to the
// user's data folder instead. Returns the note for the box: empty when the entry is in the current
// folder, else where it is, or that it could not be written anywhere.
std::string WriteEntry(const std::vector<std::string>& entry) {
  if (AppendLogEntry("AppError.txt", entry)) return {};
  const std::filesystem::path folder = UserDataFolder();
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string fallback = (folder / "AppError.txt").string();
    if (AppendLogEntry(fallback, entry)) return "错误信息已记录在“" + EscapeControls(fallback) + "”。";
  }
  return "错误信息无法写入“AppError.txt”。";
}

}  // namespace

std::vector<std::string> AppErrorEntry(const ErrorRecord& record, const LocalTime& when) {
  const std::string rule_eq = "//" + std::string(78, '=');
  const std::string rule_dash = "//" + std::string(78, '-');
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "// %04d.%02d.%02d %02d:%02d:%02d", when.year, when.month,
                when.day, when.hour, when.minute, when.second);

  std::vector<std::string> lines = {"", rule_eq, stamp, rule_dash};
  for (const std::string& detail : Details(record)) lines.push_back("   " + detail);
  lines.push_back(rule_eq);
  return lines;
}

std::string AppErrorBoxText(const ErrorRecord& record, const std::string& log_note) {
  std::string details;
  for (const std::string& detail : Details(record)) {
    if (!details.empty()) details += '\n';
    details += detail;
  }
  if (!log_note.empty()) details += "\n\n" + log_note;
  return "\n系统发生错误，请记录以下错误信息后联系管理员处理。\n\n" + details + "\n\n是否退出系统?";
}

int16_t gf_apperror(const ErrorRecord& error, Host& host, const Clock& clock) {
  // The entry is on disk before the box appears, so it survives whatever the user does next.
  const std::string log_note = WriteEntry(AppErrorEntry(error, clock()));
  if (host.AskYesNo("提示信息", AppErrorBoxText(error, log_note))) {
    host.EndProgram();
    return 0;
  }
  return 1;
}

}  // namespace vexlo::app
