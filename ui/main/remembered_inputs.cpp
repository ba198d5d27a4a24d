#include "ui/main/remembered_inputs.h"

#include <sys/stat.h>

#include <QSettings>
#include <filesystem>
#include <memory>

#include "merge/blank.h"
#include "ui/main/settings_file.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDialogFolder = "dialog/folder";

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

bool RestoreInputs(SettingsFile& settings, InputFields& fields) {
  const std::unique_ptr<QSettings> store = settings.Open();
  if (!store || !store->childGroups().contains("inputs")) return false;
  merge::MergeRequest inputs = fields.ReadInputs();
  const auto text = [&](const char* control) {
    return store->value(Key(control)).toString().toStdString();
  };
  for (auto [control, path] : {std::pair{"sle_1", &inputs.data_path},
                               std::pair{"sle_2", &inputs.template_path}}) {
    if (!store->contains(Key(control))) continue;
    const std::string file = text(control);
    *path = IsRegularFile(file) ? file : std::string();
  }
  // The sheet chosen last time, when the restored workbook still has it.
  inputs.sheet = text("ddlb_1");
  if (const std::string output = text("sle_3"); IsFolder(output)) inputs.output_folder = output;
  if (const std::string copies = text("em_1"); !merge::IsBlank(copies)) inputs.copies_text = copies;
  for (auto [control, option] : {std::pair{"cbx_1", &inputs.one_file}, std::pair{"cbx_2", &inputs.print},
                                 std::pair{"cbx_3", &inputs.visible}, std::pair{"cbx_4", &inputs.pdf},
                                 std::pair{"cbx_5", &inputs.as_shown},
                                 std::pair{"cbx_6", &inputs.all_stories}}) {
    if (store->contains(Key(control))) *option = store->value(Key(control)).toBool();
  }
  if (store->contains(Key("cbx_7"))) {
    if (store->value(Key("cbx_7")).toBool()) {
      if (!inputs.mail) inputs.mail = delivery::MailSettings{};
    } else {
      inputs.mail.reset();
    }
  }
  fields.WriteInputs(inputs);
  return true;
}

void RememberInputs(SettingsFile& settings, const InputFields& fields) {
  const std::unique_ptr<QSettings> store = settings.Open();
  if (!store) return;
  const merge::MergeRequest inputs = fields.ReadInputs();
  for (auto [control, text] : {std::pair{"sle_1", &inputs.data_path},
                               std::pair{"sle_2", &inputs.template_path},
                               std::pair{"sle_3", &inputs.output_folder},
                               std::pair{"em_1", &inputs.copies_text},
                               std::pair{"ddlb_1", &inputs.sheet}}) {
    store->setValue(Key(control), QString::fromStdString(*text));
  }
  for (auto [control, option] : {std::pair{"cbx_1", inputs.one_file}, std::pair{"cbx_2", inputs.print},
                                 std::pair{"cbx_3", inputs.visible}, std::pair{"cbx_4", inputs.pdf},
                                 std::pair{"cbx_5", inputs.as_shown},
                                 std::pair{"cbx_6", inputs.all_stories},
                                 std::pair{"cbx_7", inputs.mail.has_value()}}) {
    store->setValue(Key(control), option);
  }
}

std::string LastDialogFolder(SettingsFile& settings) {
  const std::unique_ptr<QSettings> store = settings.Open();
  const std::string folder = store ? store->value(kDialogFolder).toString().toStdString() : std::string();
  return IsFolder(folder) ? folder : std::string();
}

void RememberDialogFolder(SettingsFile& settings, const std::string& chosen_file) {
  if (merge::IsBlank(chosen_file)) return;
  if (const std::unique_ptr<QSettings> store = settings.Open()) {
    store->setValue(kDialogFolder, QString::fromStdString(fs::path(chosen_file).parent_path().string()));
  }
}

}  // namespace vexlo::ui
