#include "office/engine/soffice/soffice.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vexlo::engine {

std::string SofficeProgram() {
  for (const char* name : {"soffice", "libreoffice"}) {
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty()) return found.toStdString();
  }
  return {};
}

SofficeResult RunSofficeConvert(const std::vector<std::string>& inputs, std::string_view convert_to,
                                const std::string& out_dir, const std::string& profile_dir,
                                std::chrono::milliseconds timeout) {
  SofficeResult result;
  const std::string program = SofficeProgram();
  if (program.empty()) return result;
  QDir().mkpath(QString::fromStdString(profile_dir));

  QStringList args;
  args << "-env:UserInstallation=" + QUrl::fromLocalFile(QString::fromStdString(profile_dir)).toString()
       << "--headless" << "--invisible" << "--nologo" << "--norestore" << "--nolockcheck"
       << "--convert-to" << QString::fromUtf8(convert_to.data(), qsizetype(convert_to.size()))
       << "--outdir" << QString::fromStdString(out_dir);
  for (const std::string& in : inputs) args << QString::fromStdString(in);

  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(QString::fromStdString(program), args);
  if (!process.waitForStarted(30000)) return result;
  result.started = true;
  if (!process.waitForFinished(static_cast<int>(timeout.count()))) {
    result.timed_out = true;
    process.kill();
    process.waitForFinished(5000);
  }
  result.output = process.readAll().toStdString();
  result.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return result;
}

}  // namespace vexlo::engine
