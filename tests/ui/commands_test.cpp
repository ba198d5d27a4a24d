// The window's commands against a scripted host and stand-in servers: dialogs and their texts,
// the editing commands' checks, messages and focus moves, the examples, the output folder.
#include "ui/main/commands.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include "app/globals.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"
#include "tests/ui/fake_office.h"

namespace vexlo::ui {
namespace {

using Lines = std::vector<std::string>;

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_path_ = app::as_currentpath;
    saved_data_ = app::as_datapath;
    // The examples come from the program's data folder, never from the start-up folder.
    app::as_currentpath = (dir_ / "work").string();
    app::as_datapath = dir_.path().string();
  }
  void TearDown() override {
    app::as_currentpath = saved_path_;
    app::as_datapath = saved_data_;
  }

  std::string MakeFile(const std::string& name) {
    const auto path = dir_ / name;
    std::filesystem::create_directories(path.parent_path());
    test::WriteFile(path, "content");
    return path.string();
  }

  test::ScratchDir dir_;
  test::ScriptedHost host_;
  std::string saved_path_, saved_data_;
};

TEST_F(CommandsTest, FileDialogsFillTheirFieldAndCancelEmptiesIt) {
  host_.texts["sle_1"] = "/old/data.xls";
  host_.file_answers = {"/d/数据.xlsx", ""};
  ChooseDataFile();
  EXPECT_EQ(host_.texts["sle_1"], "/d/数据.xlsx");
  ChooseDataFile();
  EXPECT_EQ(host_.texts["sle_1"], "");
  EXPECT_EQ(host_.log.front(),
            "dialog 请选择作为数据源的EXCEL文件|xls|"
            "Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx");

  host_.texts["sle_2"] = "/old/t.doc";
  host_.file_answers = {""};
  ChooseTemplate();
  EXPECT_EQ(host_.texts["sle_2"], "");
  EXPECT_EQ(host_.log.back(),
            "dialog 请选择作为输出模版的Word文件|doc|"
            "Word 97-2003文件 (*.doc),*.doc,Word 文件 (*.docx),*.docx");
}

TEST_F(CommandsTest, FolderDialogStartsAtTheFixedFolderAndCancelKeepsTheField) {
  host_.texts["sle_3"] = "/home/me/out";
  host_.folder_answers = {""};
  ChooseOutputFolder();
  EXPECT_EQ(host_.texts["sle_3"], "/home/me/out");
  host_.folder_answers = {"/tmp/新目录"};
  ChooseOutputFolder();
  EXPECT_EQ(host_.texts["sle_3"], "/tmp/新目录");
  EXPECT_EQ(host_.log, (Lines{"folder 请选择输出目录|D:\\pb\\Quorvane",
                              "folder 请选择输出目录|D:\\pb\\Quorvane"}));
}

TEST_F(CommandsTest, ShowOutputFolderFallsBackToTheStartUpFolderWhenBlank) {
  host_.texts["sle_3"] = "   ";
  ShowOutputFolder();
  host_.texts["sle_3"] = " /out ";
  ShowOutputFolder();
  EXPECT_EQ(host_.log, (Lines{"shell " + app::as_currentpath, "shell  /out "}));
}

TEST_F(CommandsTest, EditingAnEmptyOrMissingTemplateHintsAndMovesTheFocus) {
  test::FakeOffice word("word.application", "documents");
  ServerHandle wordserver;
  host_.texts["sle_2"] = "  ";
  OpenTemplate(wordserver);
  host_.texts["sle_2"] = "\t";  // tabs are not blank: the existence test fails
  OpenTemplate(wordserver);
  EXPECT_EQ(host_.log, (Lines{"box 操作提示|您还没有选择Word模版文件！", "focus sle_2",
                              "box 错误提示|找不到“\t”文件！", "focus sle_2"}));
  EXPECT_EQ(word.log.started, 0);
}

TEST_F(CommandsTest, EditingTheDataFileUsesTheSpreadsheetTexts) {
  test::FakeOffice excel("excel.application", "workbooks");
  ServerHandle excelserver;
  OpenDataFile(excelserver);
  host_.texts["sle_1"] = "/nowhere/a.xls";
  OpenDataFile(excelserver);
  EXPECT_EQ(host_.log, (Lines{"box 操作提示|您还没有选择Excel数据源文件！", "focus sle_1",
                              "box 错误提示|找不到“/nowhere/a.xls”文件！", "focus sle_1"}));
}

TEST_F(CommandsTest, OpensTheFileVisiblyAndLetsTheServerGo) {
  test::FakeOffice word("word.application", "documents");
  ServerHandle wordserver;  // left null by the start-up check
  host_.texts["sle_2"] = MakeFile("模板.docx");
  OpenTemplate(wordserver);
  EXPECT_TRUE(host_.log.empty());
  EXPECT_EQ(word.log.opened, (Lines{host_.texts["sle_2"]}));
  EXPECT_TRUE(word.log.visible);
  ASSERT_NE(wordserver, nullptr);
  EXPECT_FALSE(wordserver->connected());
  EXPECT_EQ(word.log.released, 1);
}

TEST_F(CommandsTest, AFileHeldByAnotherProgramIsNotOpened) {
  test::FakeOffice word("word.application", "documents");
  ServerHandle wordserver = std::make_unique<office::oleobject>();
  const std::string file = MakeFile("held.doc");
  host_.texts["sle_2"] = file;
  const int fd = ::open(file.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  OpenTemplate(wordserver);
  ::close(fd);
  // An office lock file beside it means the same.
  test::WriteFile(dir_ / ".~lock.held.doc#", "x");
  OpenTemplate(wordserver);
  const std::string text = "box 错误提示|打开“" + file + "”文件出错！如果文件已经打开，请将它关闭。";
  EXPECT_EQ(host_.log, (Lines{text, text}));
  EXPECT_EQ(word.log.started, 0);
}

TEST_F(CommandsTest, AServerThatCannotStartIsReported) {
  test::FakeOffice word("word.application", "documents", 0);
  test::FakeOffice excel("excel.application", "workbooks", 0);
  ServerHandle wordserver, excelserver;
  host_.texts["sle_2"] = MakeFile("t.doc");
  host_.texts["sle_1"] = MakeFile("d.xls");
  OpenTemplate(wordserver);
  OpenDataFile(excelserver);
  EXPECT_EQ(host_.log, (Lines{"box 错误提示|连接到Word失败！", "box 错误提示|连接到Excel失败！"}));
}

TEST_F(CommandsTest, AnErrorOfTheServerWhileOpeningIsARuntimeError) {
  test::FakeOffice excel("excel.application", "workbooks");
  excel.log.fail_open = true;
  ServerHandle excelserver;
  host_.texts["sle_1"] = MakeFile("d.xls");
  EXPECT_THROW(OpenDataFile(excelserver), app::RuntimeError);
}

TEST_F(CommandsTest, ExamplesBecomeTheInputEvenWhenMissing) {
  test::FakeOffice word("word.application", "documents");
  test::FakeOffice excel("excel.application", "workbooks");
  ServerHandle wordserver, excelserver;
  const std::string tmpl = app::as_datapath + "/示例/模板.doc";
  UseExampleTemplate(wordserver);
  EXPECT_EQ(host_.texts["sle_2"], tmpl);
  EXPECT_EQ(host_.log,
            (Lines{"box 错误提示|打开“" + tmpl + "”文件出错！如果文件已经打开，请将它关闭。"}));

  host_.log.clear();
  const std::string data = MakeFile("示例/数据.xls");
  UseExampleData(excelserver);
  EXPECT_EQ(host_.texts["sle_1"], data);
  EXPECT_TRUE(host_.log.empty());
  EXPECT_EQ(excel.log.opened, (Lines{data}));
}

TEST_F(CommandsTest, CopiesFieldFollowsThePrintOption) {
  host_.checks["cbx_2"] = true;
  ToggleCopies();
  EXPECT_TRUE(host_.enabled["em_1"]);
  host_.checks["cbx_2"] = false;
  ToggleCopies();
  EXPECT_FALSE(host_.enabled["em_1"]);
}

}  // namespace
}  // namespace vexlo::ui
