#include "office/engine/soffice/office_pipe.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "office/engine/package/temp_folder.h"

namespace vexlo::engine {

namespace fs = std::filesystem;

namespace {

constexpr int kNameTries = 16;  // taken names in a row before giving up

std::string SocketFolder() { return ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp"; }

// "OSL_PIPE_<uid>_vexlo-": the start of every socket name of ours.
std::string OurSocketPrefix() { return "OSL_PIPE_" + std::to_string(::getuid()) + "_vexlo-"; }

bool Random128(unsigned char (&bytes)[16]) {
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// The process id in "<prefix><pid>-...", or 0.
pid_t OwnerOf(std::string_view socket_name, std::string_view prefix) {
  if (socket_name.substr(0, prefix.size()) != prefix) return 0;
  const std::string_view rest = socket_name.substr(prefix.size());
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9) return 0;
  pid_t pid = 0;
  for (const char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

// Whether `path` is a socket of our user (not following a link).
bool OurSocket(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

}  // namespace

std::string RandomPipeName() {
  unsigned char bytes[16];
  // Without the kernel's random source there is no name worth having: the start fails.
  if (!Random128(bytes)) return {};
  std::string name = "vexlo-" + std::to_string(::getpid()) + "-";
  for (const unsigned char b : bytes) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    name += hex;
  }
  return name;
}

std::string PipeSocketPath(const std::string& name) {
  return SocketFolder() + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + name;
}

std::string FreePipeName(const std::function<std::string()>& names) {
  for (int i = 0; i < kNameTries; ++i) {
    const std::string name = names ? names() : RandomPipeName();
    if (name.empty()) return {};
    struct stat st {};
    if (::lstat(PipeSocketPath(name).c_str(), &st) != 0 && errno == ENOENT) return name;
  }
  return {};
}

void RemovePipeSocket(const std::string& name) {
  if (name.empty()) return;
  const std::string path = PipeSocketPath(name);
  if (OurSocket(path)) ::unlink(path.c_str());
}

void RemoveSocketsOfEndedProcesses() {
  const std::string prefix = OurSocketPrefix();
  std::error_code ec;
  for (fs::directory_iterator it(SocketFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    const pid_t pid = OwnerOf(it->path().filename().string(), prefix);
    if (pid <= 0 || pid == ::getpid() || !ProcessEnded(pid)) continue;
    if (OurSocket(path)) ::unlink(path.c_str());
  }
}

}  // namespace vexlo::engine
