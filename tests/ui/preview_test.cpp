// The preview before a run, on real files through the embedded servers: each record's slip filled
// as the run fills it (nested titles whole), the check's findings under it, ◀ ▶ within the
// records, nothing written, and a file that cannot be read told instead of shown.
#include "ui/main/preview_window.h"
#include "tests/support/test_engine.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "office/engine/register_servers.h"
#include "office/server_registry.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    std::ofstream(dir_ / "工资.csv", std::ios::binary)
        << "姓名,实发工资,实发工资大写,公积金\n张伟,7234.53,柒仟贰佰叁拾肆元伍角叁分,1020\n"
           "李娜,5000,伍仟元整,800\n";
    request_.data_path = (dir_ / "工资.csv").string();
    request_.template_path = test::DataFile("check/嵌套标题.docx").string();
  }
  void TearDown() override {
    office::UnregisterServer("excel.application");
    office::UnregisterServer("word.application");
  }

  test::ScratchDir dir_;
  merge::MergeRequest request_;
};

TEST_F(PreviewTest, EachRecordIsFilledAsTheRunFillsItAndNothingIsWritten) {
  auto preview = std::make_unique<SlipPreview>(request_);
  std::string why;
  ASSERT_TRUE(preview->Open(why)) << why;
  EXPECT_EQ(preview->records(), 2);
  EXPECT_EQ(preview->RecordName(2), "李娜");
  const std::vector<std::string> second = preview->Paragraphs(2);
  EXPECT_NE(std::find(second.begin(), second.end(), "大写：伍仟元整"), second.end());
  EXPECT_NE(std::find(second.begin(), second.end(), "800比例：12%"), second.end());
  ASSERT_EQ(preview->findings().titles_in_text.size(), 1u);

  PreviewWindow window(std::move(preview), nullptr);
  EXPECT_EQ(window.shown_record(), 1);
  EXPECT_FALSE(window.previous()->isEnabled());
  window.next()->click();
  EXPECT_EQ(window.shown_record(), 2);
  EXPECT_FALSE(window.next()->isEnabled());
  window.ShowRecord(99);
  EXPECT_EQ(window.shown_record(), 2);
  EXPECT_FALSE(window.page()->pixmap().isNull());
  EXPECT_TRUE(window.findings()->text().contains("“公积金”在“公积金比例：12%”中"));
  // The scratch folder holds the data file alone: a preview writes nothing.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);
}

// The preview steps through the records the run would make, named as the run names them.
TEST_F(PreviewTest, OnlyTheChosenRecordsAreShownUnderTheirNames) {
  request_.choice.filters.push_back({"公积金", "800", false});
  request_.name_pattern = "{姓名}_11月";
  auto preview = std::make_unique<SlipPreview>(request_);
  std::string why;
  ASSERT_TRUE(preview->Open(why)) << why;
  EXPECT_EQ(preview->records(), 1);
  EXPECT_EQ(preview->RecordName(1), "李娜_11月");
  const std::vector<std::string> first = preview->Paragraphs(1);
  EXPECT_NE(std::find(first.begin(), first.end(), "大写：伍仟元整"), first.end());
  EXPECT_NE(preview->findings().chosen.find("将制作其中 1 条"), std::string::npos);

  request_.choice.filters[0].value = "900";
  EXPECT_FALSE(SlipPreview(request_).Open(why));
  EXPECT_NE(why.find("没有符合条件"), std::string::npos) << why;
}

TEST_F(PreviewTest, AFileThatCannotBeReadIsToldNotShown) {
  test::ScriptedHost host;
  std::ofstream(dir_ / "图.docx", std::ios::binary) << "\x89PNG\r\n\x1a\n....";
  request_.template_path = (dir_ / "图.docx").string();
  ShowPreview(host, request_, nullptr);
  ASSERT_EQ(host.Boxes().size(), 1u);
  EXPECT_NE(host.Boxes()[0].find("无法预览：文件“"), std::string::npos) << host.Boxes()[0];
  EXPECT_NE(host.Boxes()[0].find("是图片文件，不是 Word 文档"), std::string::npos);
}

}  // namespace
}  // namespace vexlo::ui
