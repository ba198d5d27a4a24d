#include "ui/main/remembered_inputs.h"

#include <QSettings>
#include <filesystem>

#include "app/host.h"
#include "merge/blank.h"
#include "merge/file_probe.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFileFields[] = {"sle_1", "sle_2"};
constexpr const char* kOutputField = "sle_3";
constexpr const char* kCopiesField = "em_1";
constexpr const char* kOptions[] = {"cbx_1", "cbx_2", "cbx_3", "cbx_4", "cbx_5", "cbx_6"};
constexpr const char* kDialogFolder = "dialog/folder";

QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo"); }

QString Key(const char* control) { return QString("inputs/") + control; }

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !merge::IsBlank(path) && fs::is_directory(path, error);
}

}  // namespace

bool RestoreInputs() {
  QSettings store = Store();
  if (!store.childGroups().contains("inputs")) return false;
  for (const char* field : kFileFields) {
    if (!store.contains(Key(field))) continue;
    const std::string file = store.value(Key(field)).toString().toStdString();
    app::host().SetText(field, merge::FileExists(file) ? file : std::string());
  }
  const std::string output = store.value(Key(kOutputField)).toString().toStdString();
  if (IsFolder(output)) app::host().SetText(kOutputField, output);
  const std::string copies = store.value(Key(kCopiesField)).toString().toStdString();
  if (!merge::IsBlank(copies)) app::host().SetText(kCopiesField, copies);
  for (const char* option : kOptions) {
    if (store.contains(Key(option))) app::host().SetChecked(option, store.value(Key(option)).toBool());
  }
  return true;
}

void RememberInputs() {
  QSettings store = Store();
  for (const char* field : {kFileFields[0], kFileFields[1], kOutputField, kCopiesField}) {
    store.setValue(Key(field), QString::fromStdString(app::host().Text(field)));
  }
  for (const char* option : kOptions) store.setValue(Key(option), app::host().Checked(option));
}

std::string LastDialogFolder() {
  const std::string folder = Store().value(kDialogFolder).toString().toStdString();
  return IsFolder(folder) ? folder : std::string();
}

void RememberDialogFolder(const std::string& chosen_file) {
  if (merge::IsBlank(chosen_file)) return;
  Store().setValue(kDialogFolder, QString::fromStdString(fs::path(chosen_file).parent_path().string()));
}

}  // namespace vexlo::ui
