// The settings file when it is not a usable file: a named pipe or a folder at its path, or a file
// that cannot be parsed. The window still appears, with its defaults, says so once, and leaves
// a pipe or folder as it found it; a damaged file is set aside under a new name, not lost.
#include "ui/main/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QSettings>
#include <filesystem>

#include "tests/support/scripted_host.h"
#include "tests/ui/window_graph.h"
#include "tests/support/test_paths.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clear();
    // A window that waits on a pipe never returns: the test then ends instead of hanging.
    ::alarm(60);
  }
  void TearDown() override {
    ::alarm(0);
    Clear();
  }
  void Clear() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder_, ec)) fs::remove_all(e.path(), ec);
    graph_.settings = SettingsFile(graph_.clock);  // a new session
  }
  // Opens a window as the program does, `typed` in its data field, and closes it (the inputs are
  // then remembered). Returns what the data field showed once open.
  std::string OpenAndClose(const std::string& typed = "") {
    w_vexlo w(graph_.Context());
    w.sle_1->setText(QString::fromStdString(typed));
    w.open();
    graph_.events.DrainPosted();
    const std::string shown = w.sle_1->text().toStdString();
    w.close();
    return shown;
  }
  // What the window said about the settings file (the office presence check says more).
  Lines SettingsBoxes() const {
    Lines boxes;
    for (const std::string& box : host_.Boxes()) {
      if (box.find("设置文件") != std::string::npos) boxes.push_back(box);
    }
    return boxes;
  }
  // The settings folder's entries other than the settings file.
  std::vector<std::string> Others() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) {
      if (e.path() != fs::path(path_)) names.push_back(e.path().filename().string());
    }
    return names;
  }

  test::WindowGraph graph_;
  test::ScriptedHost& host_ = graph_.host;
  const std::string path_ = SettingsFilePath();
  const fs::path folder_ = fs::path(path_).parent_path();
};

TEST_F(SettingsFileTest, APipeOrAFolderIsIgnoredLeftAsItIsAndSaidOnce) {
  fs::create_directories(folder_);
  for (const std::string kind : {"一个命名管道", "一个文件夹"}) {
    Clear();
    host_.log.clear();
    if (kind == "一个命名管道") {
      ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    } else {
      fs::create_directory(path_);
      test::WriteFile(fs::path(path_) / "笔记.txt", "the user's");
    }
    EXPECT_EQ(OpenAndClose("typed"), "typed");  // nothing was restored
    EXPECT_EQ(SettingsBoxes(), Lines{"box 操作提示|设置文件“" + path_ + "”不是普通文件，而是" + kind +
                                   "，已忽略。本次使用默认设置，设置不会被保存。"});
    // A second window of the same session says nothing more; nothing was put in its place.
    OpenAndClose();
    EXPECT_EQ(SettingsBoxes().size(), 1u);
    struct stat st {};
    ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(kind == "一个命名管道" ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode));
    EXPECT_EQ(Others(), Lines{});
  }
  EXPECT_EQ(test::ReadFile(fs::path(path_) / "笔记.txt"), "the user's");
}

TEST_F(SettingsFileTest, ADamagedFileIsSetAsideAndTheNextOneIsWrittenAfresh) {
  fs::create_directories(folder_);
  const std::string damaged("\x00\x01PK\x03\x04[[[\xff\n=\n", 14);
  test::WriteFile(path_, damaged);
  OpenAndClose("/x/数据.xls");
  const Lines others = Others();
  ASSERT_EQ(others.size(), 1u);
  EXPECT_EQ(others[0], "vexlo.conf.损坏-20261207153000");  // stamped by the session's clock
  EXPECT_EQ(test::ReadFile(folder_ / others[0]), damaged);
  EXPECT_EQ(SettingsBoxes(), Lines{"box 操作提示|设置文件“" + path_ + "”无法读取（已损坏或没有读取权限），已改名为“" +
                                 others[0] + "”。本次使用默认设置。"});
  // The session's inputs were kept in a new file, which the next session reads.
  QSettings fresh(QString::fromStdString(path_), QSettings::IniFormat);
  EXPECT_EQ(fresh.status(), QSettings::NoError);
  EXPECT_EQ(fresh.value("inputs/sle_1").toString().toStdString(), "/x/数据.xls");
}

// A remembered data file or template that is no regular file (a pipe would block the window as
// the field shows it) is shown empty, like one that is gone.
TEST_F(SettingsFileTest, ARememberedPathThatIsNoRegularFileIsShownEmpty) {
  test::ScratchDir dir;
  const fs::path pipe = dir / "数据.xlsx";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  fs::create_directory(dir / "模板.docx");
  {
    QSettings store(QString::fromStdString(path_), QSettings::IniFormat);
    store.setValue("inputs/sle_1", QString::fromStdString(pipe.string()));
    store.setValue("inputs/sle_2", QString::fromStdString((dir / "模板.docx").string()));
  }
  w_vexlo w(graph_.Context());
  w.sle_1->setText("typed");
  w.sle_2->setText("typed");
  w.open();
  graph_.events.DrainPosted();
  EXPECT_EQ(w.sle_1->text(), "");
  EXPECT_EQ(w.sle_2->text(), "");
  EXPECT_EQ(SettingsBoxes(), Lines{});
}

}  // namespace
}  // namespace vexlo::ui
