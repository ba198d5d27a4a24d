#include "office/engine/package/process_identity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

namespace vexlo::engine {

namespace {

std::string BootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

// The state letter and start time of `pid` from /proc, or nullopt with errno telling why.
struct StatFacts {
  char state = '?';
  unsigned long long start = 0;
};

std::optional<StatFacts> ReadStat(pid_t pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  // The command name in parentheses may hold spaces and parentheses of its own: the fields
  // after it start behind the last ')'.
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(text.substr(close + 1));
  StatFacts facts;
  std::string field;
  fields >> facts.state;  // field 3
  for (int n = 4; n < 22 && fields >> field; ++n) {
  }
  if (!(fields >> facts.start)) return std::nullopt;  // field 22
  return facts;
}

bool ProcReadable() {
  static const bool readable = ReadStat(::getpid()).has_value();
  return readable;
}

bool ParseNumber(std::string_view text, unsigned long long& out) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

ProcessIdentity ThisProcess() {
  ProcessIdentity me;
  me.pid = ::getpid();
  if (const auto facts = ReadStat(me.pid)) me.start = facts->start;
  me.boot = BootId();
  return me;
}

std::optional<ProcessIdentity> RunningProcess(pid_t pid) {
  if (pid <= 0) return std::nullopt;
  const auto facts = ReadStat(pid);
  if (!facts || facts->state == 'Z' || facts->state == 'X') return std::nullopt;
  return ProcessIdentity{pid, facts->start, BootId()};
}

bool StillRuns(const ProcessIdentity& who) {
  if (who.pid <= 0) return false;
  if (!who.boot.empty()) {
    const std::string boot = BootId();
    if (!boot.empty() && boot != who.boot) return false;  // made before the last reboot
  }
  if (ProcReadable() && who.start != 0) {
    const auto now = RunningProcess(who.pid);
    return now && now->start == who.start;
  }
  // No way to tell one process under this id from another: only a free id proves the end.
  return !(::kill(who.pid, 0) != 0 && errno == ESRCH);
}

std::string FormatIdentity(const ProcessIdentity& who) {
  return "pid=" + std::to_string(who.pid) + "\nstart=" + std::to_string(who.start) +
         "\nboot=" + who.boot + "\n";
}

std::optional<ProcessIdentity> ParseIdentity(std::string_view text) {
  ProcessIdentity who;
  bool pid = false, start = false, boot = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // every line ends
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    unsigned long long number = 0;
    if (line.starts_with("pid=") && !pid && ParseNumber(line.substr(4), number) && number > 0 &&
        number < (1ULL << 31)) {
      who.pid = static_cast<pid_t>(number);
      pid = true;
    } else if (line.starts_with("start=") && !start && ParseNumber(line.substr(6), number)) {
      who.start = number;
      start = true;
    } else if (line.starts_with("boot=") && !boot && line.size() <= 5 + 64) {
      who.boot = std::string(line.substr(5));
      boot = true;
    } else {
      return std::nullopt;
    }
  }
  if (!pid || !start || !boot) return std::nullopt;
  return who;
}

}  // namespace vexlo::engine
