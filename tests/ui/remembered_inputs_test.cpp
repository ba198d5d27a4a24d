// The inputs kept between sessions: what a new session shows after the previous one ended, what
// it does with files that are gone meanwhile, and where the file dialogs start.
#include "ui/main/remembered_inputs.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>

#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"
#include "tests/ui/fake_fields.h"
#include "ui/main/commands.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

class RememberedInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  }
  void TearDown() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  }

  std::string MakeFile(const std::string& name) {
    fs::create_directories((dir_ / name).parent_path());
    test::WriteFile(dir_ / name, "x");
    return (dir_ / name).string();
  }

  test::ScratchDir dir_;
  test::ScriptedHost host_;
  test::FakeFields fields_{host_.log};
  app::AppState state_;
  SettingsFile settings_;
  Commands commands_{host_, fields_, state_, settings_};
};

TEST_F(RememberedInputsTest, NextSessionShowsThePathsAndOptions) {
  merge::MergeRequest& kept = fields_.values;
  kept.data_path = MakeFile("数据/工资.csv");
  kept.template_path = MakeFile("模板/工资条.docx");
  kept.output_folder = (dir_ / "数据").string();
  kept.copies_text = "3";
  kept.sheet = "工资";
  kept.one_file = kept.print = kept.pdf = kept.as_shown = kept.all_stories = true;
  kept.visible = false;
  kept.mail = delivery::MailSettings{};
  RememberInputs(settings_, fields_);

  test::FakeFields next(host_.log);
  next.values.output_folder = "/start";
  next.values.copies_text = "1";
  next.values.visible = true;
  EXPECT_TRUE(RestoreInputs(settings_, next));
  EXPECT_EQ(next.writes, 1);
  const merge::MergeRequest& shown = next.values;
  EXPECT_EQ(shown.data_path, kept.data_path);
  EXPECT_EQ(shown.template_path, kept.template_path);
  EXPECT_EQ(shown.output_folder, kept.output_folder);
  EXPECT_EQ(shown.copies_text, "3");
  EXPECT_EQ(shown.sheet, "工资");
  EXPECT_TRUE(shown.one_file && shown.print && shown.pdf && shown.as_shown && shown.all_stories);
  EXPECT_FALSE(shown.visible);
  EXPECT_TRUE(shown.mail.has_value());
}

TEST_F(RememberedInputsTest, FilesGoneMeanwhileAreShownEmpty) {
  fields_.values.data_path = MakeFile("a.xlsx");
  fields_.values.template_path = MakeFile("b.doc");
  fields_.values.output_folder = (dir_ / "out").string();
  RememberInputs(settings_, fields_);
  fs::remove(dir_ / "a.xlsx");

  test::FakeFields next(host_.log);
  next.values.data_path = "typed";
  next.values.output_folder = "/start";
  RestoreInputs(settings_, next);
  EXPECT_EQ(next.values.data_path, "");
  EXPECT_EQ(next.values.template_path, (dir_ / "b.doc").string());
  EXPECT_EQ(next.values.output_folder, "/start");  // the folder "out" was never made

  // Nothing remembered yet: the fields stay as the window made them.
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  test::FakeFields first(host_.log);
  first.values.output_folder = "/start";
  EXPECT_FALSE(RestoreInputs(settings_, first));
  EXPECT_EQ(first.writes, 0);
}

TEST_F(RememberedInputsTest, FileDialogsStartInTheFieldsFolderElseTheLastOne) {
  const std::string data = MakeFile("部门/工资.xlsx");
  fields_.values.data_path = data;
  host_.file_answers = {MakeFile("模板夹/通知.docx"), ""};
  commands_.ChooseDataFile();
  EXPECT_EQ(host_.dialog_folders.back(), (dir_ / "部门").string());
  // The template field is empty: its dialog starts where the last one was left.
  commands_.ChooseTemplate();
  commands_.ChooseTemplate();
  EXPECT_EQ(host_.dialog_folders.back(), (dir_ / "模板夹").string());
  EXPECT_EQ(LastDialogFolder(settings_), (dir_ / "模板夹").string());
  // The output folder dialog too, when its field names no folder.
  fields_.values.output_folder = "/no/such/folder";
  host_.folder_answers = {""};
  commands_.ChooseOutputFolder();
  EXPECT_EQ(host_.log.back(), "folder 请选择输出目录|" + (dir_ / "模板夹").string());
  // A last folder that is gone counts for nothing.
  fs::remove_all(dir_ / "模板夹");
  EXPECT_EQ(LastDialogFolder(settings_), "");
  fields_.values.template_path = "";
  commands_.ChooseTemplate();
  EXPECT_EQ(host_.dialog_folders.back(), DocumentsFolder());
}

}  // namespace
}  // namespace vexlo::ui
