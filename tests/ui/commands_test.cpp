// The window's commands against a scripted host and stand-in servers: dialogs and their texts,
// the editing commands' checks, messages and focus moves, the examples, the output folder.
#include "ui/main/commands.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include "app/globals.h"
#include "app/runtime_error.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"
#include "tests/ui/opening_server.h"

namespace vexlo::ui {
namespace {

using Lines = std::vector<std::string>;

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No folder remembered from another test's dialogs.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
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
            "dialog 请选择作为数据源的EXCEL文件|xls|数据文件 (*.xls *.xlsx *.csv),*.xls *.xlsx *.csv,"
            "Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx,CSV 文件 (*.csv),*.csv");

  host_.texts["sle_2"] = "/old/t.doc";
  host_.file_answers = {""};
  ChooseTemplate();
  EXPECT_EQ(host_.texts["sle_2"], "");
  EXPECT_EQ(host_.log.back(),
            "dialog 请选择作为输出模版的Word文件|doc|Word 文件 (*.doc *.docx),*.doc *.docx,"
            "Word 97-2003文件 (*.doc),*.doc,Word 文件 (*.docx),*.docx");
}

TEST_F(CommandsTest, FolderDialogStartsInTheChosenFolderElseTheDocuments) {
  const std::string chosen = (dir_ / "输出").string();
  std::filesystem::create_directories(chosen);
  host_.texts["sle_3"] = chosen;
  host_.folder_answers = {""};
  ChooseOutputFolder();
  EXPECT_EQ(host_.texts["sle_3"], chosen);  // cancelled: unchanged
  // A folder that is gone, a blank field or a Windows path start in the documents folder.
  for (const char* field : {"/no/such/folder", "  ", "D:\\pb\\out"}) {
    host_.texts["sle_3"] = field;
    host_.folder_answers = {""};
    ChooseOutputFolder();
  }
  host_.folder_answers = {"/tmp/新目录"};
  ChooseOutputFolder();
  EXPECT_EQ(host_.texts["sle_3"], "/tmp/新目录");
  const std::string documents = "folder 请选择输出目录|" + DocumentsFolder();
  EXPECT_EQ(host_.log, (Lines{"folder 请选择输出目录|" + chosen, documents, documents, documents,
                              documents}));
  EXPECT_TRUE(std::filesystem::is_directory(DocumentsFolder()));
}

TEST_F(CommandsTest, DroppedFilesGoToTheFieldOfTheirKind) {
  const std::string data = MakeFile("表/数据.XLSX");
  const std::string old_data = MakeFile("表/旧.xls");
  const std::string templ = MakeFile("模板/通知.Docx");
  const std::string other = MakeFile("说明.txt");
  const std::string folder = (dir_ / "表").string();
  // A folder named like a document is still a folder.
  const std::string odd_folder = (dir_ / "存档.doc").string();
  std::filesystem::create_directories(odd_folder);

  EXPECT_EQ(DropPaths({other}), 0);
  EXPECT_TRUE(host_.texts.empty());
  EXPECT_EQ(DropPaths({old_data, templ, folder, other}), 3);
  EXPECT_EQ(host_.texts["sle_1"], old_data);
  EXPECT_EQ(host_.texts["sle_2"], templ);
  EXPECT_EQ(host_.texts["sle_3"], folder);
  EXPECT_EQ(DropPaths({data, odd_folder}), 2);
  EXPECT_EQ(host_.texts["sle_1"], data);
  EXPECT_EQ(host_.texts["sle_2"], templ);
  EXPECT_EQ(host_.texts["sle_3"], odd_folder);
  // A file that does not exist is routed by its name (the run reports it missing).
  EXPECT_EQ(DropTarget("/gone/名单.xls", false), "sle_1");
  EXPECT_EQ(DropTarget("/gone/xls", false), "");
}

TEST(PastedPathTest, CleansWhatFileManagersAndShellsCopy) {
  EXPECT_EQ(PastedPath("  /home/me/数据.xls \n"), "/home/me/数据.xls");
  EXPECT_EQ(PastedPath("\"/home/me/my data.xls\""), "/home/me/my data.xls");
  EXPECT_EQ(PastedPath("'/tmp/a.doc'"), "/tmp/a.doc");
  EXPECT_EQ(PastedPath("file:///home/me/%E6%A8%A1%E6%9D%BF.docx\r\nfile:///x.doc"),
            "/home/me/模板.docx");
  EXPECT_EQ(PastedPath("\""), "\"");
  EXPECT_EQ(PastedPath(""), "");
}

TEST_F(CommandsTest, ShowOutputFolderFallsBackToTheStartUpFolderWhenBlank) {
  host_.texts["sle_3"] = "   ";
  ShowOutputFolder();
  host_.texts["sle_3"] = " /out ";
  ShowOutputFolder();
  EXPECT_EQ(host_.log, (Lines{"shell " + app::as_currentpath, "shell  /out "}));
}

TEST_F(CommandsTest, EditingAnEmptyOrMissingTemplateHintsAndMovesTheFocus) {
  test::OpeningServer word("word.application", "documents");
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
  test::OpeningServer excel("excel.application", "workbooks");
  ServerHandle excelserver;
  OpenDataFile(excelserver);
  host_.texts["sle_1"] = "/nowhere/a.xls";
  OpenDataFile(excelserver);
  EXPECT_EQ(host_.log, (Lines{"box 操作提示|您还没有选择Excel数据源文件！", "focus sle_1",
                              "box 错误提示|找不到“/nowhere/a.xls”文件！", "focus sle_1"}));
}

TEST_F(CommandsTest, OpensTheFileVisiblyAndLetsTheServerGo) {
  test::OpeningServer word("word.application", "documents");
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
  test::OpeningServer word("word.application", "documents");
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
  test::OpeningServer word("word.application", "documents", 0);
  test::OpeningServer excel("excel.application", "workbooks", 0);
  ServerHandle wordserver, excelserver;
  host_.texts["sle_2"] = MakeFile("t.doc");
  host_.texts["sle_1"] = MakeFile("d.xls");
  OpenTemplate(wordserver);
  OpenDataFile(excelserver);
  EXPECT_EQ(host_.log, (Lines{"box 错误提示|连接到Word失败！", "box 错误提示|连接到Excel失败！"}));
}

TEST_F(CommandsTest, AnErrorOfTheServerWhileOpeningIsARuntimeError) {
  test::OpeningServer excel("excel.application", "workbooks");
  excel.log.fail_open = true;
  ServerHandle excelserver;
  host_.texts["sle_1"] = MakeFile("d.xls");
  EXPECT_THROW(OpenDataFile(excelserver), app::RuntimeError);
}

TEST_F(CommandsTest, ExamplesBecomeTheInputEvenWhenMissing) {
  test::OpeningServer word("word.application", "documents");
  test::OpeningServer excel("excel.application", "workbooks");
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
