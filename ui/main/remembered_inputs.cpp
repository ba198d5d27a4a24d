#include "ui/main/remembered_inputs.h"

#include <sys/stat.h>

#include <QSettings>
#include <filesystem>
#include <memory>

#include "app/host.h"
#include "merge/blank.h"
#include "ui/main/settings_file.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileFields[] = {"sle_1", "sle_2"};
constexpr const char* kOutputField = "sle_3";
constexpr const char* kSheetField = "ddlb_1";  // listed once sle_1 is set
constexpr const char* kCopiesField = "em_1";
constexpr const char* kOptions[] = {"cbx_1", "cbx_2", "cbx_3", "cbx_4", "cbx_5", "cbx_6", "cbx_7"};
constexpr const char* kDialogFolder = "dialog/folder";

// The settings, or nullptr when the settings file is not to be touched this session.
std::unique_ptr<QSettings> Store() {
  if (!SettingsUsable()) return nullptr;
  return std::make_unique<QSettings>(QString::fromStdString(SettingsFilePath()), QSettings::IniFormat);
}

QString Key(const char* control) { return QString("inputs/") + control; }

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !merge::IsBlank(path) && fs::is_directory(path, error);
}

// Only a regular file is put back: a named pipe or a device in a file field would be opened (and
// could block) as soon as the field shows it.
bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !merge::IsBlank(path) && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool RestoreInputs(app::Host& host) {
  const std::unique_ptr<QSettings> store = Store();
  if (!store || !store->childGroups().contains("inputs")) return false;
  for (const char* field : kFileFields) {
    if (!store->contains(Key(field))) continue;
    const std::string file = store->value(Key(field)).toString().toStdString();
    host.SetText(field, IsRegularFile(file) ? file : std::string());
  }
  // The sheet chosen last time, when the restored workbook still has it.
  const std::string sheet = store->value(Key(kSheetField)).toString().toStdString();
  if (!sheet.empty()) host.SetText(kSheetField, sheet);
  const std::string output = store->value(Key(kOutputField)).toString().toStdString();
  if (IsFolder(output)) host.SetText(kOutputField, output);
  const std::string copies = store->value(Key(kCopiesField)).toString().toStdString();
  if (!merge::IsBlank(copies)) host.SetText(kCopiesField, copies);
  for (const char* option : kOptions) {
    if (store->contains(Key(option))) host.SetChecked(option, store->value(Key(option)).toBool());
  }
  return true;
}

void RememberInputs(app::Host& host) {
  const std::unique_ptr<QSettings> store = Store();
  if (!store) return;
  for (const char* field : {kFileFields[0], kFileFields[1], kOutputField, kCopiesField, kSheetField}) {
    store->setValue(Key(field), QString::fromStdString(host.Text(field)));
  }
  for (const char* option : kOptions) store->setValue(Key(option), host.Checked(option));
}

std::string LastDialogFolder() {
  const std::unique_ptr<QSettings> store = Store();
  const std::string folder = store ? store->value(kDialogFolder).toString().toStdString() : std::string();
  return IsFolder(folder) ? folder : std::string();
}

void RememberDialogFolder(const std::string& chosen_file) {
  if (merge::IsBlank(chosen_file)) return;
  if (const std::unique_ptr<QSettings> store = Store()) {
    store->setValue(kDialogFolder, QString::fromStdString(fs::path(chosen_file).parent_path().string()));
  }
}

}  // namespace vexlo::ui
