#include "ui/main/commands.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>
#include <string>

#include "app/host.h"
#include "merge/blank.h"
#include "merge/file_probe.h"
#include "ui/main/remembered_inputs.h"

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
void OpenThroughServer(app::Host& host, const std::string& file, const EditTarget& target, ServerHandle& server) {
  if (merge::ProbeFile(file) < 0) {
    host.MessageBox("错误提示",
                           "打开“" + file + "”文件出错！如果文件已经打开，请将它关闭。");
    return;
  }
  if (server == nullptr) server = std::make_unique<office::oleobject>();
  if (server->start_new(target.progid) < 0) {
    host.MessageBox("错误提示", target.connect_failure);
    return;
  }
  server->get("application").get(target.collection).call("open", {office::Value(file)});
  server->get("application").set("visible", office::Value(true));
  server->release();
}

// Opens `file` now, or when `gate` lets it; `server` outlives the wait (the window owns it).
void OpenGated(app::Host& host, const std::string& file, const EditTarget& target, ServerHandle& server,
               const OpenGate& gate) {
  if (!gate) return OpenThroughServer(host, file, target, server);
  gate(file, [&host, file, &target, &server] { OpenThroughServer(host, file, target, server); });
}

void OpenForEditing(app::Host& host, const EditTarget& target, ServerHandle& server, const OpenGate& gate = {}) {
  const std::string file = host.Text(target.field);
  if (merge::IsBlank(file)) {
    host.MessageBox("操作提示", target.empty_hint);
    host.SetFocus(target.field);
    return;
  }
  if (!merge::FileExists(file)) {
    host.MessageBox("错误提示", "找不到“" + file + "”文件！");
    host.SetFocus(target.field);
    return;
  }
  OpenGated(host, file, target, server, gate);
}

void UseExample(app::Host& host, const std::string& data_folder, const char* relative, const EditTarget& target, ServerHandle& server,
                const OpenGate& gate = {}) {
  const std::string file = data_folder + relative;
  host.SetText(target.field, file);
  OpenGated(host, file, target, server, gate);
}

// The folder a dialog for `field` starts in: that of the field's file or folder, else where the
// last dialog was left, else the user's documents.
std::string DialogFolder(app::Host& host, const char* field, bool field_is_folder) {
  const std::string text = host.Text(field);
  std::error_code error;
  const std::string folder =
      field_is_folder ? text : std::filesystem::path(text).parent_path().string();
  if (!merge::IsBlank(text) && std::filesystem::is_directory(folder, error)) return folder;
  const std::string last = LastDialogFolder();
  return last.empty() ? DocumentsFolder() : last;
}

void ChooseFile(app::Host& host, const char* field, std::string_view title, std::string_view default_ext,
                std::string_view filter) {
  const std::string chosen =
      host.FileOpenDialog(title, default_ext, filter, DialogFolder(host, field, false));
  RememberDialogFolder(chosen);
  host.SetText(field, chosen);
}

}  // namespace

// All kinds first, so that a user with .xlsx (or .docx) files sees them at once.
void ChooseDataFile(app::Host& host) {
  ChooseFile(host, "sle_1", "请选择作为数据源的EXCEL文件", "xls",
             "数据文件 (*.xls *.xlsx *.csv),*.xls *.xlsx *.csv,"
             "Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx,CSV 文件 (*.csv),*.csv");
}

void ChooseTemplate(app::Host& host) {
  ChooseFile(host, "sle_2", "请选择作为输出模版的Word文件", "doc",
             "Word 文件 (*.doc *.docx),*.doc *.docx,"
             "Word 97-2003文件 (*.doc),*.doc,Word 文件 (*.docx),*.docx");
}

std::string DocumentsFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  return folder.toStdString();
}

void ChooseOutputFolder(app::Host& host) {
  std::string folder = DialogFolder(host, "sle_3", true);
  if (host.FolderDialog("请选择输出目录", folder)) host.SetText("sle_3", folder);
}

void ShowOutputFolder(app::Host& host, const std::string& current_folder) {
  std::string folder = host.Text("sle_3");
  if (merge::IsBlank(folder)) folder = current_folder;
  host.ShellOpenFolder(folder);
}

void OpenDataFile(app::Host& host, ServerHandle& excelserver) {
  OpenForEditing(host, kData, excelserver);
}
void OpenTemplate(app::Host& host, ServerHandle& wordserver, const OpenGate& gate) {
  OpenForEditing(host, kTemplate, wordserver, gate);
}

void UseExampleData(app::Host& host, const std::string& data_folder, ServerHandle& excelserver) {
  UseExample(host, data_folder, "/示例/数据.xls", kData, excelserver);
}

void UseExampleTemplate(app::Host& host, const std::string& data_folder,
                        ServerHandle& wordserver, const OpenGate& gate) {
  UseExample(host, data_folder, "/示例/模板.doc", kTemplate, wordserver, gate);
}

bool IsDataFileExtension(std::string_view lower_ext) {
  return lower_ext == ".xls" || lower_ext == ".xlsx" || lower_ext == ".csv";
}

std::string DropTarget(const std::string& path, bool is_folder) {
  if (is_folder) return "sle_3";
  const std::string ext = QString::fromStdString(std::filesystem::path(path).extension().string())
                              .toLower()
                              .toStdString();
  if (IsDataFileExtension(ext)) return "sle_1";
  if (ext == ".doc" || ext == ".docx") return "sle_2";
  return {};
}

int DropPaths(app::Host& host, const std::vector<std::string>& paths) {
  int taken = 0;
  for (const std::string& path : paths) {
    std::error_code error;
    const std::string field = DropTarget(path, std::filesystem::is_directory(path, error));
    if (field.empty()) continue;
    host.SetText(field, path);
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

void ToggleCopies(app::Host& host) { host.SetEnabled("em_1", host.Checked("cbx_2")); }

}  // namespace vexlo::ui
