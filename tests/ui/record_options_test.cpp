// The window's options for the records of a run: what they put into the run's request, PDF加密
// bringing PDFs with it and refusing to start without a column, the protection remembered for
// the next session and the choice of records not; the dialog reading its fields.
#include "ui/main/record_options.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include "tests/support/scripted_host.h"
#include "tests/ui/window_graph.h"
#include "ui/main/generation_window.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_merge_observer.h"

namespace vexlo::ui {
namespace {

class RecordOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  }
  void TearDown() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  }
  test::WindowGraph graph_;
  test::ScriptedHost& host_ = graph_.host;
};

TEST_F(RecordOptionsTest, ProtectionGoesIntoTheRequestAndIsRememberedTheChoiceIsNot) {
  {
    w_vexlo w(graph_.Context());
    RecordOptions& options = *w.record_options;
    EXPECT_TRUE(options.Ready());
    options.cbx_protect->setChecked(true);
    EXPECT_TRUE(w.cbx_4->isChecked());  // protected PDFs are PDFs
    EXPECT_FALSE(options.Ready());      // no column yet
    EXPECT_EQ(host_.log.back(), "box 操作提示|请选择作PDF密码的列（如“身份证号”），或取消“PDF加密”。");
    options.ddlb_password->setCurrentText(" 身份证号 ");
    options.em_last->setValue(6);
    EXPECT_TRUE(options.Ready());
    RecordSelection selection;
    selection.choice.skip_totals = true;
    selection.name_pattern = "{工号}_{姓名}";
    options.SetSelection(selection);

    const merge::MergeRequest request = RequestFromWindow(w);
    EXPECT_EQ(request.pdf_password_column, "身份证号");
    EXPECT_EQ(request.password_last, 6);
    EXPECT_TRUE(request.pdf);
    EXPECT_TRUE(request.choice.skip_totals);
    EXPECT_EQ(request.name_pattern, "{工号}_{姓名}");
    EXPECT_EQ(options.cb_records->text(), "已选择记录和文件名…");
  }
  w_vexlo next(graph_.Context());
  EXPECT_TRUE(next.record_options->cbx_protect->isChecked());
  EXPECT_EQ(next.record_options->ddlb_password->currentText(), "身份证号");
  EXPECT_EQ(next.record_options->em_last->value(), 6);
  const merge::MergeRequest request = RequestFromWindow(next);
  EXPECT_FALSE(request.choice.any());
  EXPECT_EQ(request.name_pattern, "");

  next.record_options->cbx_protect->setChecked(false);
  EXPECT_EQ(RequestFromWindow(next).pdf_password_column, "");
}

TEST_F(RecordOptionsTest, TheDialogReadsItsFieldsAndRefusesRowsItCannotRead) {
  RecordSelection start;
  start.choice.filters.push_back({"部门", "销售", true});
  start.choice.rows = {{2, 50}, {60, 60}};
  start.name_pattern = "{姓名}";
  RecordChoiceDialog dialog({"姓名", "部门"}, start, nullptr);
  EXPECT_EQ(dialog.sle_rows->text(), "2-50,60");
  std::optional<RecordSelection> read = dialog.Selection();
  ASSERT_TRUE(read);
  ASSERT_EQ(read->choice.filters.size(), 1u);
  EXPECT_TRUE(read->choice.filters[0].contains);
  EXPECT_EQ(read->choice.filters[0].value, "销售");
  EXPECT_EQ(read->choice.rows.size(), 2u);
  EXPECT_EQ(read->name_pattern, "{姓名}");

  dialog.sle_rows->setText("50-2");
  EXPECT_FALSE(dialog.Selection());
  EXPECT_FALSE(dialog.st_error->text().isEmpty());
  dialog.Clear();
  dialog.sle_value->setText("销售部");  // a value without a column
  EXPECT_FALSE(dialog.Selection());
  dialog.sle_value->clear();
  read = dialog.Selection();
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->any());
}

// The generation window of a run that makes some records lists those alone, as records 1, 2, ...
TEST(ChosenRecordsTest, TheGridListsTheChosenRowsAsTheRunNumbersThem) {
  struct Sheet : SheetSource {
    std::vector<std::string> Titles() override { return {"姓名"}; }
    std::string Cell(int record, int column) override {
      return "record " + std::to_string(record) + " column " + std::to_string(column);
    }
  };
  const std::unique_ptr<SheetSource> chosen = ChosenRecords(std::make_unique<Sheet>(), {3, 7});
  EXPECT_EQ(chosen->Titles(), std::vector<std::string>{"姓名"});
  EXPECT_EQ(chosen->Cell(1, 0), "record 2 column 0");  // sheet row 3 is the sheet's record 2
  EXPECT_EQ(chosen->Cell(2, 0), "record 6 column 0");
  EXPECT_EQ(chosen->Cell(3, 0), "");
}

}  // namespace
}  // namespace vexlo::ui
