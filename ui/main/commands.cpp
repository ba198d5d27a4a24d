#include "ui/main/commands.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>
#include <string>

#include "app/globals.h"
#include "app/host.h"
#include "merge/blank.h"
#include "merge/file_probe.h"

namespace vexlo::ui {
namespace {

// How the two editing commands differ.
struct EditTarget {
  const char* field;
  const char* empty_hint;
  const char* progid;
  const char* collection;
  const char* connect_failure;
};

constexpr EditTarget kData{"sle_1", "您还没有选择Excel数据源文件！", "excel.application",
                           "workbooks", "连接到Excel失败！"};
constexpr EditTarget kTemplate{"sle_2", "您还没有选择Word模版文件！", "word.application",
                               "documents", "连接到Word失败！"};

// Steps shared by the editing and example commands: probe, start a server, open, show, let go.
void OpenThroughServer(const std::string& file, const EditTarget& target, ServerHandle& server) {
  if (merge::ProbeFile(file) < 0) {
    app::host().MessageBox("错误提示",
                           "打开“" + file + "”文件出错！如果文件已经打开，请将它关闭。");
    return;
  }
  if (server == nullptr) server = std::make_unique<office::oleobject>();
  if (server->start_new(target.progid) < 0) {
    app::host().MessageBox("错误提示", target.connect_failure);
    return;
  }
  server->get("application").get(target.collection).call("open", {office::Value(file)});
  server->get("application").set("visible", office::Value(true));
  server->release();
}

// Opens `file` now, or when `gate` lets it; `server` outlives the wait (the window owns it).
void OpenGated(const std::string& file, const EditTarget& target, ServerHandle& server,
               const OpenGate& gate) {
  if (!gate) return OpenThroughServer(file, target, server);
  gate(file, [file, &target, &server] { OpenThroughServer(file, target, server); });
}

void OpenForEditing(const EditTarget& target, ServerHandle& server, const OpenGate& gate = {}) {
  const std::string file = app::host().Text(target.field);
  if (merge::IsBlank(file)) {
    app::host().MessageBox("操作提示", target.empty_hint);
    app::host().SetFocus(target.field);
    return;
  }
  if (!merge::FileExists(file)) {
    app::host().MessageBox("错误提示", "找不到“" + file + "”文件！");
    app::host().SetFocus(target.field);
    return;
  }
  OpenGated(file, target, server, gate);
}

void UseExample(const char* relative, const EditTarget& target, ServerHandle& server,
                const OpenGate& gate = {}) {
  const std::string file = app::as_datapath + relative;
  app::host().SetText(target.field, file);
  OpenGated(file, target, server, gate);
}

}  // namespace

// Both kinds first, so that a user with .xlsx (or .docx) files sees them at once.
void ChooseDataFile() {
  app::host().SetText("sle_1", app::host().FileOpenDialog(
                                   "请选择作为数据源的EXCEL文件", "xls",
                                   "Excel 文件 (*.xls *.xlsx),*.xls *.xlsx,"
                                   "Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx"));
}

void ChooseTemplate() {
  app::host().SetText("sle_2", app::host().FileOpenDialog(
                                   "请选择作为输出模版的Word文件", "doc",
                                   "Word 文件 (*.doc *.docx),*.doc *.docx,"
                                   "Word 97-2003文件 (*.doc),*.doc,Word 文件 (*.docx),*.docx"));
}

std::string DocumentsFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  return folder.toStdString();
}

void ChooseOutputFolder() {
  // The dialog starts where the output goes now, or in the user's documents.
  std::string folder = app::host().Text("sle_3");
  std::error_code error;
  if (merge::IsBlank(folder) || !std::filesystem::is_directory(folder, error)) {
    folder = DocumentsFolder();
  }
  if (app::host().FolderDialog("请选择输出目录", folder)) app::host().SetText("sle_3", folder);
}

void ShowOutputFolder() {
  std::string folder = app::host().Text("sle_3");
  if (merge::IsBlank(folder)) folder = app::as_currentpath;
  app::host().ShellOpenFolder(folder);
}

void OpenDataFile(ServerHandle& excelserver) { OpenForEditing(kData, excelserver); }
void OpenTemplate(ServerHandle& wordserver, const OpenGate& gate) {
  OpenForEditing(kTemplate, wordserver, gate);
}

void UseExampleData(ServerHandle& excelserver) {
  UseExample("/示例/数据.xls", kData, excelserver);
}

void UseExampleTemplate(ServerHandle& wordserver, const OpenGate& gate) {
  UseExample("/示例/模板.doc", kTemplate, wordserver, gate);
}

std::string DropTarget(const std::string& path, bool is_folder) {
  if (is_folder) return "sle_3";
  const std::string ext = QString::fromStdString(std::filesystem::path(path).extension().string())
                              .toLower()
                              .toStdString();
  if (ext == ".xls" || ext == ".xlsx") return "sle_1";
  if (ext == ".doc" || ext == ".docx") return "sle_2";
  return {};
}

int DropPaths(const std::vector<std::string>& paths) {
  int taken = 0;
  for (const std::string& path : paths) {
    std::error_code error;
    const std::string field = DropTarget(path, std::filesystem::is_directory(path, error));
    if (field.empty()) continue;
    app::host().SetText(field, path);
    ++taken;
  }
  return taken;
}

std::string PastedPath(std::string_view clipboard) {
  QString text = QString::fromUtf8(clipboard.data(), static_cast<qsizetype>(clipboard.size()));
  text = text.section('\n', 0, 0).trimmed();
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.mid(1, text.size() - 2).trimmed();
  }
  if (text.startsWith("file://")) text = QUrl(text).toLocalFile();
  return text.toStdString();
}

void ToggleCopies() { app::host().SetEnabled("em_1", app::host().Checked("cbx_2")); }

}  // namespace vexlo::ui
