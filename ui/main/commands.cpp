#include "ui/main/commands.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <filesystem>
#include <string>

#include "merge/blank.h"
#include "merge/file_probe.h"
#include "ui/main/remembered_inputs.h"

namespace vexlo::ui {

using merge::MergeField;

// How the two editing commands differ.
struct Commands::EditTarget {
  MergeField field;
  const char* empty_hint;
  const char* progid;
  const char* collection;
  const char* connect_failure;
};

namespace {

constexpr Commands::EditTarget kData{MergeField::kData, "您还没有选择Excel数据源文件！",
                                     "excel.application", "workbooks", "连接到Excel失败！"};
constexpr Commands::EditTarget kTemplate{MergeField::kTemplate, "您还没有选择Word模版文件！",
                                         "word.application", "documents", "连接到Word失败！"};

// The folder a dialog for a field holding `text` starts in: that of the field's file or folder,
// else where the last dialog was left, else the user's documents.
std::string DialogFolder(SettingsFile& settings, const std::string& text, bool field_is_folder) {
  std::error_code error;
  const std::string folder =
      field_is_folder ? text : std::filesystem::path(text).parent_path().string();
  if (!merge::IsBlank(text) && std::filesystem::is_directory(folder, error)) return folder;
  const std::string last = LastDialogFolder(settings);
  return last.empty() ? DocumentsFolder() : last;
}

}  // namespace

std::string& PathOf(merge::MergeRequest& inputs, MergeField field) {
  switch (field) {
    case MergeField::kData: return inputs.data_path;
    case MergeField::kTemplate: return inputs.template_path;
    default: return inputs.output_folder;
  }
}

// Steps shared by the editing and example commands: probe, start a server, open, show, let go.
void Commands::OpenThroughServer(const std::string& file, const EditTarget& target,
                                 ServerHandle& server) {
  if (merge::ProbeFile(file) < 0) {
    host_.MessageBox("错误提示", "打开“" + file + "”文件出错！如果文件已经打开，请将它关闭。");
    return;
  }
  if (server == nullptr) server = std::make_unique<office::oleobject>();
  if (server->start_new(target.progid) < 0) {
    host_.MessageBox("错误提示", target.connect_failure);
    return;
  }
  server->get("application").get(target.collection).call("open", {office::Value(file)});
  server->get("application").set("visible", office::Value(true));
  server->release();
}

// Opens `file` now, or when `gate` lets it; `server` outlives the wait (the window owns it).
void Commands::OpenGated(const std::string& file, const EditTarget& target, ServerHandle& server,
                         const OpenGate& gate) {
  if (!gate) return OpenThroughServer(file, target, server);
  gate(file, [this, file, &target, &server] { OpenThroughServer(file, target, server); });
}

void Commands::OpenForEditing(const EditTarget& target, ServerHandle& server,
                              const OpenGate& gate) {
  merge::MergeRequest inputs = fields_.ReadInputs();
  const std::string file = PathOf(inputs, target.field);
  if (merge::IsBlank(file)) {
    host_.MessageBox("操作提示", target.empty_hint);
    fields_.FocusField(target.field);
    return;
  }
  if (!merge::FileExists(file)) {
    host_.MessageBox("错误提示", "找不到“" + file + "”文件！");
    fields_.FocusField(target.field);
    return;
  }
  OpenGated(file, target, server, gate);
}

void Commands::UseExample(const char* relative, const EditTarget& target, ServerHandle& server,
                          const OpenGate& gate) {
  const std::string file = state_.as_datapath + relative;
  merge::MergeRequest inputs = fields_.ReadInputs();
  PathOf(inputs, target.field) = file;
  if (target.field == MergeField::kData) inputs.sheet.clear();  // the example's own sheet
  fields_.WriteInputs(inputs);
  OpenGated(file, target, server, gate);
}

void Commands::ChooseFile(MergeField field, std::string_view title, std::string_view default_ext,
                          std::string_view filter) {
  merge::MergeRequest inputs = fields_.ReadInputs();
  std::string& path = PathOf(inputs, field);
  const std::string chosen =
      host_.FileOpenDialog(title, default_ext, filter, DialogFolder(settings_, path, false));
  RememberDialogFolder(settings_, chosen);
  path = chosen;
  if (field == MergeField::kData) inputs.sheet.clear();  // the new workbook's own front sheet
  fields_.WriteInputs(inputs);
}

// All kinds first, so that a user with .xlsx (or .docx) files sees them at once.
void Commands::ChooseDataFile() {
  ChooseFile(MergeField::kData, "请选择作为数据源的EXCEL文件", "xls",
             "数据文件 (*.xls *.xlsx *.csv),*.xls *.xlsx *.csv,"
             "Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx,CSV 文件 (*.csv),*.csv");
}

void Commands::ChooseTemplate() {
  ChooseFile(MergeField::kTemplate, "请选择作为输出模版的Word文件", "doc",
             "Word 文件 (*.doc *.docx),*.doc *.docx,"
             "Word 97-2003文件 (*.doc),*.doc,Word 文件 (*.docx),*.docx");
}

void Commands::ChooseOutputFolder() {
  merge::MergeRequest inputs = fields_.ReadInputs();
  std::string folder = DialogFolder(settings_, inputs.output_folder, true);
  if (!host_.FolderDialog("请选择输出目录", folder)) return;
  inputs.output_folder = folder;
  fields_.WriteInputs(inputs);
}

void Commands::ShowOutputFolder() {
  std::string folder = fields_.ReadInputs().output_folder;
  if (merge::IsBlank(folder)) folder = state_.as_currentpath;
  host_.ShellOpenFolder(folder);
}

void Commands::OpenDataFile(ServerHandle& excelserver) { OpenForEditing(kData, excelserver, {}); }

void Commands::OpenTemplate(ServerHandle& wordserver, const OpenGate& gate) {
  OpenForEditing(kTemplate, wordserver, gate);
}

void Commands::UseExampleData(ServerHandle& excelserver) {
  UseExample("/示例/数据.xls", kData, excelserver, {});
}

void Commands::UseExampleTemplate(ServerHandle& wordserver, const OpenGate& gate) {
  UseExample("/示例/模板.doc", kTemplate, wordserver, gate);
}

int Commands::DropPaths(const std::vector<std::string>& paths) {
  merge::MergeRequest inputs = fields_.ReadInputs();
  int taken = 0;
  for (const std::string& path : paths) {
    std::error_code error;
    const std::optional<MergeField> field =
        DropTarget(path, std::filesystem::is_directory(path, error));
    if (!field) continue;
    PathOf(inputs, *field) = path;
    if (*field == MergeField::kData) inputs.sheet.clear();
    ++taken;
  }
  if (taken > 0) fields_.WriteInputs(inputs);
  return taken;
}

std::string DocumentsFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  return folder.toStdString();
}

bool IsDataFileExtension(std::string_view lower_ext) {
  return lower_ext == ".xls" || lower_ext == ".xlsx" || lower_ext == ".csv";
}

std::optional<MergeField> DropTarget(const std::string& path, bool is_folder) {
  if (is_folder) return MergeField::kOutput;
  const std::string ext = QString::fromStdString(std::filesystem::path(path).extension().string())
                              .toLower()
                              .toStdString();
  if (IsDataFileExtension(ext)) return MergeField::kData;
  if (ext == ".doc" || ext == ".docx") return MergeField::kTemplate;
  return std::nullopt;
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

}  // namespace vexlo::ui
