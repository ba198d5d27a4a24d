// "excel.application" through the automation gateway, as the merge job and the window's commands
// call it.
#include <gtest/gtest.h>

#include <vector>

#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

using app::RuntimeError;
using office::oleobject;
using office::Value;

class SpreadsheetServer : public testing::Test {
 protected:
  void SetUp() override {
    RegisterSpreadsheetServer({test::Engine().sheet().pool,
                               [this](const std::string& path) { handed_.push_back(path); }});
  }
  void TearDown() override { RegisterSpreadsheetServer(test::Engine().sheet()); }

  static std::string Path(const std::string& name) {
    return test::DataFile("sheet/" + name).string();
  }
  static std::optional<std::string> Cell(const oleobject& excel, const std::string& address) {
    return office::ToText(
        excel.get("application").get("activesheet").call("range", {address}).get("value"));
  }
  static int16_t ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  }

  std::vector<std::string> handed_;
};

TEST_F(SpreadsheetServer, OpensAndReadsTheActiveSheetByAddress) {
  oleobject excel;
  ASSERT_EQ(excel.start_new("excel.application"), 0);
  excel.get("application").get("workbooks").call("open", {Path("second_active.xlsx")});
  excel.get("application").set("visible", false);
  EXPECT_EQ(Cell(excel, "a1"), "姓名");
  EXPECT_EQ(Cell(excel, "A2"), "李四");
  EXPECT_EQ(Cell(excel, "$B$2"), "100");
  EXPECT_EQ(Cell(excel, "zz1000"), std::nullopt);
  EXPECT_EQ(excel.get("application").get("activesheet").get("name"), Value("第二页"));
  EXPECT_EQ(excel.get("application").get("version"), Value("16.0"));
  excel.get("application").call("quit");
  excel.release();
  EXPECT_TRUE(handed_.empty());
}

TEST_F(SpreadsheetServer, BadCallsAreRunTimeErrors) {
  oleobject excel;
  ASSERT_EQ(excel.start_new("excel.application"), 0);
  const Value app = excel.get("application");
  // No workbook yet: the active sheet is nothing, and reading through it is a null reference.
  EXPECT_EQ(ErrorOf([&] { app.get("activesheet").call("range", {"a1"}); }), app::kErrNullObject);
  EXPECT_EQ(ErrorOf([&] { app.get("workbooks").call("open", {Path("没有.xls")}); }),
            app::kErrFileAccess);
  EXPECT_EQ(ErrorOf([&] { app.get("workbooks").call("open", {Path("password.xls")}); }),
            app::kErrFileFormat);
  app.get("workbooks").call("open", {Path("values.xls")});
  const Value sheet = app.get("activesheet");
  EXPECT_EQ(ErrorOf([&] { sheet.call("range", {"a1:b2"}); }), app::kErrAutomation);
  EXPECT_EQ(ErrorOf([&] { sheet.call("range", {"1a"}); }), app::kErrAutomation);
  EXPECT_EQ(ErrorOf([&] { sheet.call("range", {"a1"}).set("value", "x"); }), app::kErrAutomation);
  EXPECT_EQ(ErrorOf([&] { sheet.call("range", {"a1"}).get("formula"); }), app::kErrAutomation);
  EXPECT_EQ(ErrorOf([&] { app.get("documents"); }), app::kErrAutomation);
  app.call("quit");
  // After quit the server is gone: every further access fails.
  EXPECT_EQ(ErrorOf([&] { app.get("activesheet"); }), app::kErrAutomation);
  EXPECT_EQ(ErrorOf([&] { excel.get("application"); }), app::kErrAutomation);
}

TEST_F(SpreadsheetServer, SecondOpenMakesThatWorkbookActive) {
  oleobject excel;
  ASSERT_EQ(excel.start_new("excel.application"), 0);
  const Value books = excel.get("application").get("workbooks");
  books.call("open", {Path("values.xlsx")});
  books.call("open", {Path("cp936_biff5.xls")});
  EXPECT_EQ(Cell(excel, "a2"), "张三丰");
  EXPECT_EQ(books.get("count"), Value(2));
  books.call("item", {2}).call("close");
  EXPECT_EQ(Cell(excel, "a1"), "shared");
  excel.get("application").call("quit");
}

// The window's "编辑" command: open, make visible, disconnect without quit. The workbook is left
// in front of the user, which the engine does by handing it to the desktop.
TEST_F(SpreadsheetServer, VisibleInstanceReleasedWithoutQuitHandsItsWorkbookOff) {
  {
    oleobject excel;
    ASSERT_EQ(excel.start_new("excel.application"), 0);
    excel.get("application").get("workbooks").call("open", {Path("values.xlsx")});
    excel.get("application").set("visible", true);
    excel.release();
  }
  ASSERT_EQ(handed_.size(), 1u);
  EXPECT_EQ(handed_[0], Path("values.xlsx"));

  handed_.clear();
  {
    oleobject invisible;
    ASSERT_EQ(invisible.start_new("excel.application"), 0);
    invisible.get("application").get("workbooks").call("open", {Path("values.xlsx")});
    invisible.release();
    oleobject quit;
    ASSERT_EQ(quit.start_new("excel.application"), 0);
    quit.get("application").get("workbooks").call("open", {Path("values.xlsx")});
    quit.get("application").set("visible", true);
    quit.get("application").call("quit");
  }
  EXPECT_TRUE(handed_.empty());
}

}  // namespace
}  // namespace vexlo::engine
