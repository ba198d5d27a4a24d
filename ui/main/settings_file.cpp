#include "ui/main/settings_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "app/clock.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

// What a path that is not a regular file is, in the user's words.
std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "一个文件夹";
  if (S_ISFIFO(mode)) return "一个命名管道";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "一个设备";
  if (S_ISSOCK(mode)) return "一个套接字";
  return "一个特殊文件";
}

// Our settings file is short plain text: anything larger is no settings file of ours.
constexpr off_t kMaxSettingsSize = 1 << 20;

// Whether the regular file at `path` can be read whole and parsed as settings: UTF-8 text
// without NUL bytes that Qt's parser accepts. Opened without waiting, so that a file swapped for
// a named pipe meanwhile cannot block.
bool ReadableSettings(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  std::string bytes;
  bool read_whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSettingsSize;
  if (read_whole) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    read_whole = done == bytes.size();
  }
  ::close(fd);
  if (!read_whole || bytes.find('\0') != std::string::npos) return false;
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) return false;
  return QSettings(QString::fromStdString(path), QSettings::IniFormat).status() == QSettings::NoError;
}

// Renames the bad file at `path` to "<name>.损坏-<time>" (never over another file); the new
// name, or nullopt when it could not be renamed.
std::optional<std::string> SetAside(const std::string& path, const app::LocalTime& now) {
  const std::string stem = path + ".损坏-" + app::Stamp14(now);
  for (int n = 1; n <= 9; ++n) {
    const std::string aside = n == 1 ? stem : stem + "-" + std::to_string(n);
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::string SettingsFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString() +
         "/vexlo/vexlo.conf";
}

void SettingsFile::Run() {
  done_ = true;
  const std::string path = SettingsFilePath();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;  // none yet (or a dangling link): a fresh start
  const std::string named = "设置文件“" + path + "”";
  if (!S_ISREG(st.st_mode)) {
    usable_ = false;
    note_ = named + "不是普通文件，而是" + KindOf(st.st_mode) +
                 "，已忽略。本次使用默认设置，设置不会被保存。";
    return;
  }
  if (ReadableSettings(path)) return;
  if (const std::optional<std::string> aside = SetAside(path, clock_())) {
    note_ = named + "无法读取（已损坏或没有读取权限），已改名为“" +
                 fs::path(*aside).filename().string() + "”。本次使用默认设置。";
  } else {
    usable_ = false;
    note_ = named + "无法读取（已损坏或没有读取权限），也无法改名。本次使用默认设置，设置不会被保存。";
  }
}

std::optional<std::string> SettingsFile::Check() {
  if (!done_) Run();
  std::string note;
  note.swap(note_);
  if (note.empty()) return std::nullopt;
  return note;
}

bool SettingsFile::Usable() {
  if (!done_) Run();
  return usable_;
}

std::unique_ptr<QSettings> SettingsFile::Open() {
  if (!Usable()) return nullptr;
  return std::make_unique<QSettings>(QString::fromStdString(SettingsFilePath()),
                                     QSettings::IniFormat);
}

}  // namespace vexlo::ui
