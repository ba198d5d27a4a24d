// The inputs kept between sessions: what a new session shows after the previous one ended, what
// it does with files that are gone meanwhile, and where the file dialogs start.
#include "ui/main/remembered_inputs.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>

#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"
#include "ui/main/commands.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

class RememberedInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
    app::SetHost(&host_);
  }
  void TearDown() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
    app::SetHost(nullptr);
  }

  std::string MakeFile(const std::string& name) {
    fs::create_directories((dir_ / name).parent_path());
    test::WriteFile(dir_ / name, "x");
    return (dir_ / name).string();
  }

  test::ScratchDir dir_;
  test::ScriptedHost host_;
};

TEST_F(RememberedInputsTest, NextSessionShowsThePathsAndOptions) {
  host_.texts = {{"sle_1", MakeFile("数据/工资.csv")},
                 {"sle_2", MakeFile("模板/工资条.docx")},
                 {"sle_3", (dir_ / "数据").string()},
                 {"em_1", "3"},
                 {"ddlb_1", "工资"}};
  host_.checks = {{"cbx_1", true}, {"cbx_2", true}, {"cbx_3", false}, {"cbx_4", true}, {"cbx_5", true},
                   {"cbx_6", true}, {"cbx_7", true}};
  RememberInputs();

  test::ScriptedHost next;
  next.texts = {{"sle_3", "/start"}, {"em_1", "1"}};
  next.checks = {{"cbx_3", true}};
  app::SetHost(&next);
  RestoreInputs();
  EXPECT_EQ(next.texts, host_.texts);
  EXPECT_EQ(next.checks, host_.checks);
}

TEST_F(RememberedInputsTest, FilesGoneMeanwhileAreShownEmpty) {
  host_.texts = {{"sle_1", MakeFile("a.xlsx")}, {"sle_2", MakeFile("b.doc")},
                 {"sle_3", (dir_ / "out").string()}};
  RememberInputs();
  fs::remove(dir_ / "a.xlsx");

  test::ScriptedHost next;
  next.texts = {{"sle_1", "typed"}, {"sle_3", "/start"}};
  app::SetHost(&next);
  RestoreInputs();
  EXPECT_EQ(next.texts["sle_1"], "");
  EXPECT_EQ(next.texts["sle_2"], (dir_ / "b.doc").string());
  EXPECT_EQ(next.texts["sle_3"], "/start");  // the folder "out" was never made

  // Nothing remembered yet: the fields stay as the window made them.
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  test::ScriptedHost first;
  first.texts = {{"sle_3", "/start"}};
  app::SetHost(&first);
  RestoreInputs();
  EXPECT_EQ(first.texts, (std::map<std::string, std::string, std::less<>>{{"sle_3", "/start"}}));
  EXPECT_TRUE(first.checks.empty());
}

TEST_F(RememberedInputsTest, FileDialogsStartInTheFieldsFolderElseTheLastOne) {
  const std::string data = MakeFile("部门/工资.xlsx");
  host_.texts["sle_1"] = data;
  host_.file_answers = {MakeFile("模板夹/通知.docx"), ""};
  ChooseDataFile();
  EXPECT_EQ(host_.dialog_folders.back(), (dir_ / "部门").string());
  // The template field is empty: its dialog starts where the last one was left.
  ChooseTemplate();
  ChooseTemplate();
  EXPECT_EQ(host_.dialog_folders.back(), (dir_ / "模板夹").string());
  EXPECT_EQ(LastDialogFolder(), (dir_ / "模板夹").string());
  // The output folder dialog too, when its field names no folder.
  host_.texts["sle_3"] = "/no/such/folder";
  host_.folder_answers = {""};
  ChooseOutputFolder();
  EXPECT_EQ(host_.log.back(), "folder 请选择输出目录|" + (dir_ / "模板夹").string());
  // A last folder that is gone counts for nothing.
  fs::remove_all(dir_ / "模板夹");
  EXPECT_EQ(LastDialogFolder(), "");
  host_.texts["sle_2"] = "";
  ChooseTemplate();
  EXPECT_EQ(host_.dialog_folders.back(), DocumentsFolder());
}

}  // namespace
}  // namespace vexlo::ui
