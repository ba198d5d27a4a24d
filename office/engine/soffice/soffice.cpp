#include "office/engine/soffice/soffice.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <mutex>
#include <set>

namespace vexlo::engine {

void SofficeRuns::Add(pid_t group) {
  std::lock_guard lock(mutex_);
  groups_.insert(group);
}

void SofficeRuns::Remove(pid_t group) {
  std::lock_guard lock(mutex_);
  groups_.erase(group);
}

void SofficeRuns::EndRunning() {
  std::lock_guard lock(mutex_);
  for (pid_t group : groups_) ::kill(-group, SIGKILL);
}

SofficeResult RunSofficeConvert(const std::vector<std::string>& inputs, std::string_view convert_to,
                                const std::string& out_dir, const std::string& profile_dir,
                                std::chrono::milliseconds timeout,
                                const std::vector<std::string>& extra_env) {
  SofficeRuns alone;
  return alone.Convert(inputs, convert_to, out_dir, profile_dir, timeout, extra_env);
}

std::string SofficeProgram() {
  for (const char* name : {"soffice", "libreoffice"}) {
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty()) return found.toStdString();
  }
  return {};
}

std::string DefaultProfileRoot() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
    return std::string(cache) + "/vexlo";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::string(home) + "/.cache/vexlo";
  }
  return (std::filesystem::temp_directory_path() / ("vexlo-" + std::to_string(::getuid())))
      .string();
}

namespace {

// The version of the installed office as its configuration names it ("7.4"); "" when unknown.
std::string OfficeVersion(const std::string& office_binary) {
  std::error_code ec;
  std::filesystem::path binary = std::filesystem::canonical(office_binary, ec);  // /usr/bin/soffice is a link
  if (ec) binary = office_binary;
  const std::filesystem::path share = binary.parent_path().parent_path() / "share";
  for (const char* xcd : {".registry/main.xcd", "registry/main.xcd"}) {
    std::ifstream in(share / xcd, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t prop = text.find("<prop oor:name=\"ooSetupVersion\">");
    if (prop == std::string::npos) continue;
    const std::size_t open = text.find("<value>", prop);
    const std::size_t close = text.find("</value>", open);
    if (open == std::string::npos || close == std::string::npos || close - open > 40) continue;
    return text.substr(open + 7, close - open - 7);
  }
  return "";
}

}  // namespace

void SeedProfile(const std::string& profile, const std::string& office_binary) {
  const std::filesystem::path xcu = std::filesystem::path(profile) / "user" / "registrymodifications.xcu";
  std::error_code ec;
  if (std::filesystem::exists(xcu, ec)) return;
  const std::string version = OfficeVersion(office_binary);
  if (version.empty() || version.find_first_not_of("0123456789.") != std::string::npos) return;
  std::filesystem::create_directories(xcu.parent_path(), ec);
  std::ofstream(xcu, std::ios::binary)
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
         "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
         "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" "
         "oor:op=\"fuse\"><value>"
      << version << "</value></prop></item>\n</oor:items>\n";
}

std::string WriteFontsConf(const std::string& root) {
  const std::string path = root + "/fonts.conf";
  static const char kConf[] =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
      "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
      "  <alias binding=\"same\"><family>宋体</family>"
      "<prefer><family>Noto Serif CJK SC</family></prefer></alias>\n"
      "  <alias binding=\"same\"><family>SimSun</family>"
      "<prefer><family>Noto Serif CJK SC</family></prefer></alias>\n"
      "</fontconfig>\n";
  std::ifstream in(path);
  std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (existing != kConf) {
    const std::string part = path + ".part" + std::to_string(::getpid());
    std::ofstream(part, std::ios::trunc) << kConf;
    std::error_code ec;
    std::filesystem::rename(part, path, ec);
  }
  return path;
}

SofficeResult SofficeRuns::Convert(const std::vector<std::string>& inputs,
                                  std::string_view convert_to, const std::string& out_dir,
                                  const std::string& profile_dir, std::chrono::milliseconds timeout,
                                  const std::vector<std::string>& extra_env) {
  SofficeResult result;
  const std::string program = SofficeProgram();
  if (program.empty()) return result;
  QDir().mkpath(QString::fromStdString(profile_dir));
  SeedProfile(profile_dir, program);

  QStringList args;
  args << "-env:UserInstallation=" + QUrl::fromLocalFile(QString::fromStdString(profile_dir)).toString()
       << "--headless" << "--invisible" << "--nologo" << "--norestore" << "--nolockcheck"
       << "--convert-to" << QString::fromUtf8(convert_to.data(), qsizetype(convert_to.size()))
       << "--outdir" << QString::fromStdString(out_dir);
  for (const std::string& in : inputs) args << QString::fromStdString(in);

  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  if (!extra_env.empty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const std::string& entry : extra_env) {
      const std::size_t eq = entry.find('=');
      env.insert(QString::fromStdString(entry.substr(0, eq)),
                 eq == std::string::npos ? QString() : QString::fromStdString(entry.substr(eq + 1)));
    }
    process.setProcessEnvironment(env);
  }
  // soffice is a launcher that starts the real office process as its child: a group of their
  // own lets a timeout end both.
  process.setChildProcessModifier([] { ::setpgid(0, 0); });
  process.start(QString::fromStdString(program), args);
  if (!process.waitForStarted(30000)) return result;
  result.started = true;
  const qint64 pid = process.processId();
  if (pid > 0) Add(static_cast<pid_t>(pid));
  bool finished = false;
  const QCoreApplication* app = QCoreApplication::instance();
  if (wait_hook_ && app != nullptr && QThread::currentThread() == app->thread()) {
    // On the main thread: wait in slices and let the windows repaint in between.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!(finished = process.waitForFinished(100)) &&
           process.state() != QProcess::NotRunning && std::chrono::steady_clock::now() < deadline) {
      wait_hook_();
    }
    // A process that ended between two slices has finished, not timed out.
    finished = finished || process.state() == QProcess::NotRunning;
  } else {
    finished = process.waitForFinished(static_cast<int>(timeout.count()));
  }
  if (pid > 0) Remove(static_cast<pid_t>(pid));
  if (!finished) {
    result.timed_out = true;
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.kill();
    process.waitForFinished(5000);
  }
  result.output = process.readAll().toStdString();
  result.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return result;
}

}  // namespace vexlo::engine
