#include "office/engine/soffice/office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <thread>

#include <QString>
#include <QUrl>

#include "office/engine/soffice/office_pipe.h"
#include "office/engine/soffice/soffice.h"

extern char** environ;

namespace vexlo::engine {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string OfficeBinary() {
  const std::string launcher = SofficeProgram();
  if (launcher.empty()) return {};
  std::error_code ec;
  const fs::path real = fs::canonical(launcher, ec);
  if (!ec) {
    const fs::path bin = real.parent_path() / "soffice.bin";
    if (fs::exists(bin, ec)) return bin.string();
  }
  return launcher;
}

std::string FileUrl(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(fs::absolute(path).string()))
      .toEncoded()
      .toStdString();
}

namespace {

// This process's environment with `ours` in place of the inherited variables of their names (the
// first of two equal names would win).
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& ours) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const bool replaced = std::any_of(ours.begin(), ours.end(), [&](const std::string& o) {
      return entry.substr(0, o.find('=') + 1) == std::string_view(o).substr(0, o.find('=') + 1);
    });
    if (!replaced) env.emplace_back(entry);
  }
  env.insert(env.end(), ours.begin(), ours.end());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

OfficeProcess::~OfficeProcess() {
  Kill();
  ReleaseProfile();
}

void OfficeProcess::LockProfile(const std::string& root, const std::string& fallback_dir) {
  if (lock_fd_ >= 0) return;
  for (int k = 0; k < 64; ++k) {
    const std::string profile = root + "/office-profile-" + std::to_string(k);
    const int fd = ::open((profile + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) break;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      lock_fd_ = fd;
      profile_ = profile;
      return;
    }
    ::close(fd);
  }
  profile_ = fallback_dir + "/profile";
}

void OfficeProcess::ReleaseProfile() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
}

bool OfficeProcess::Spawn(const std::string& binary, const std::string& pipe,
                          const std::vector<std::string>& extra_env, const std::vector<std::string>& wrapper) {
  std::vector<std::string> args = wrapper;
  args.insert(args.end(), {
      binary, "--headless", "--invisible", "--nologo", "--norestore", "--nolockcheck",
      "--nodefault", "--nofirststartwizard",
      "-env:UserInstallation=" + FileUrl(profile_),
      "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext"});
  std::vector<std::string> env = EnvironmentWith(extra_env);
  std::vector<char*> argv = Pointers(args), envp = Pointers(env);
  const pid_t parent = ::getpid();
  ListPipeSocket(pipe);
  // Held across the fork, so that a Kill meanwhile finds the new process.
  std::lock_guard lock(mutex_);
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // A process group of its own, so that a kill reaches everything the office starts; and
    // the office dies with the thread that started it, even when we are killed.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);
  pid_ = pid;
  pipe_ = pipe;
  killed_ = false;
  spawned_ = pid;
  return true;
}

bool OfficeProcess::Alive() {
  std::lock_guard lock(mutex_);
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    Reaped();
    return false;
  }
  return true;
}

int OfficeProcess::Poll() {
  std::lock_guard lock(mutex_);
  if (pid_ != spawned_ || pid_ <= 0) return kTakenAway;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return kRunning;
  Reaped();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool OfficeProcess::Killed() {
  std::lock_guard lock(mutex_);
  return killed_;
}

void OfficeProcess::Kill() {
  std::lock_guard lock(mutex_);
  if (pid_ <= 0) return;
  killed_ = true;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  Reaped();
}

bool OfficeProcess::WaitEnded(std::chrono::milliseconds limit) {
  const pid_t pid = Pid();
  if (pid <= 0) return false;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || r < 0) break;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(20ms);
  }
  std::lock_guard lock(mutex_);
  Reaped();
  return true;
}

void OfficeProcess::Reaped() {
  pid_ = -1;
  // A killed office leaves its socket behind; an office that ended by itself has removed it.
  RemovePipeSocket(pipe_);
  pipe_.clear();
}

pid_t OfficeProcess::Pid() {
  std::lock_guard lock(mutex_);
  return pid_;
}

long OfficeProcess::ResidentKb() {
  const pid_t pid = Pid();
  if (pid <= 0) return 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

long OfficeProcess::GroupCpuMs() {
  const pid_t group = Pid();
  if (group <= 0) return 0;
  static const long ticks_per_second = ::sysconf(_SC_CLK_TCK);
  long ticks = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    // The command name may hold spaces and parentheses: the fields start after the last ')'.
    const std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos) continue;
    std::istringstream fields(stat.substr(paren + 2));
    std::string field;
    long pgrp = 0, used = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 5) pgrp = std::atol(field.c_str());
      if (i == 14 || i == 15) used += std::atol(field.c_str());
    }
    if (pgrp == group) ticks += used;
  }
  return ticks_per_second > 0 ? ticks * 1000 / ticks_per_second : 0;
}

}  // namespace vexlo::engine
