#include "office/engine/soffice/office_pipe.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "office/engine/package/made_files.h"

namespace vexlo::engine {

namespace {

constexpr int kNameTries = 16;  // taken names in a row before giving up

std::string SocketFolder() { return ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp"; }

bool Random128(unsigned char (&bytes)[16]) {
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
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

Result<std::string> FreePipeName(const std::function<std::string()>& names) {
  for (int i = 0; i < kNameTries; ++i) {
    const std::string name = names ? names() : RandomPipeName();
    if (name.empty()) break;
    struct stat st {};
    if (::lstat(PipeSocketPath(name).c_str(), &st) != 0 && errno == ENOENT) return name;
  }
  return Status::Failed("无法为 LibreOffice 建立连接管道");
}

void ListPipeSocket(const std::string& name) {
  if (!name.empty()) NoteMadeFile(PipeSocketPath(name));
}

void RemovePipeSocket(const std::string& name) {
  if (name.empty()) return;
  const std::string path = PipeSocketPath(name);
  if (OurSocket(path)) ::unlink(path.c_str());
  ForgetMadeFile(path);
}

}  // namespace vexlo::engine
