// The sheets of a workbook beyond the active one, as the merge chooses its data sheet through the
// gateway (worksheets.count, worksheets.item(i or name).name, .activate()), a damaged sheet nobody
// uses, and formula cells that the file holds without results: listed by the readers and
// calculated by LibreOffice before the first cell of their sheet is read.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/engine/sheet/workbook_loader.h"
#include "office/engine/soffice/soffice.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

using office::oleobject;
using office::Value;

std::string Merge(const std::string& name) { return test::DataFile("merge/" + name).string(); }

int16_t ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const app::RuntimeError& e) {
    return e.number();
  }
  return 0;
}

std::optional<std::string> Cell(const oleobject& excel, const std::string& address) {
  return office::ToText(
      excel.get("application").get("activesheet").call("range", {address}).get("value"));
}

class Worksheets : public testing::Test {
 protected:
  void SetUp() override {
    RegisterSpreadsheetServer(test::Engine().sheet());
    ASSERT_EQ(excel_.start_new("excel.application"), 0);
  }
  void TearDown() override {
    if (excel_.connected()) excel_.get("application").call("quit");
  }
  Value Open(const std::string& path) {
    return excel_.get("application").get("workbooks").call("open", {path});
  }
  oleobject excel_;
};

TEST_F(Worksheets, ListedByIndexAndNameAndActivated) {
  for (const char* name : {"说明在前.xlsx", "说明在前.xls"}) {
    SCOPED_TRACE(name);
    const Value sheets = Open(Merge(name)).get("worksheets");
    EXPECT_EQ(sheets.get("count"), Value(2));
    EXPECT_EQ(sheets.call("item", {1}).get("name"), Value("说明"));
    EXPECT_EQ(sheets.call("item", {"工资"}).get("index"), Value(2));
    // The sheet the file was saved with in front is read until another is activated.
    EXPECT_EQ(Cell(excel_, "a2"), std::nullopt);
    sheets.call("item", {"工资"}).call("activate");
    EXPECT_EQ(excel_.get("application").get("activesheet").get("name"), Value("工资"));
    EXPECT_EQ(Cell(excel_, "a2"), "张三");
    EXPECT_EQ(Cell(excel_, "c4"), "A003");
    EXPECT_EQ(ErrorOf([&] { sheets.call("item", {3}); }), app::kErrArrayBounds);
    EXPECT_EQ(ErrorOf([&] { sheets.call("item", {"工资表"}); }), app::kErrArrayBounds);
    excel_.get("application").get("workbooks").call("item", {1}).call("close");
  }
}

// A second sheet whose content is damaged does not keep the workbook from opening or its active
// sheet from being read; reading the damaged one is the format error that names it.
TEST_F(Worksheets, DamagedSheetNobodyUsesDoesNotStopTheWorkbook) {
  const Value sheets = Open(test::DataFile("sheet/damaged_other_sheet.xlsx").string()).get("worksheets");
  EXPECT_EQ(Cell(excel_, "a1"), "姓名");
  sheets.call("item", {2}).call("activate");
  try {
    Cell(excel_, "a1");
    ADD_FAILURE() << "the damaged sheet was read";
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrFileFormat);
    EXPECT_NE(e.text().find("工作表“坏表”已损坏"), std::string::npos) << e.text();
  }
}

// What the readers find: formula cells without a result are listed with their number format and
// left out of the cells; cached results (of any kind) are not listed.
TEST(UncalculatedFormulas, ReadersListTheCellsWithoutResults) {
  for (const char* name : {"公式.xlsx", "公式.xls"}) {
    SCOPED_TRACE(name);
    const sheet::WorkbookData book = sheet::LoadWorkbookFile(Merge(name));
    const sheet::SheetData& pay = book.sheets[0];
    ASSERT_EQ(pay.uncalculated.size(), 8u);
    EXPECT_EQ(pay.uncalculated[0].key, sheet::CellKey(1, 2));  // C2
    EXPECT_EQ(pay.uncalculated[7].key, sheet::CellKey(2, 5));  // F3
    EXPECT_EQ(book.CellAt(0, 1, 2), nullptr);
    EXPECT_NE(book.CellAt(0, 1, 1), nullptr);  // the plain number beside them
  }
  for (const char* cached : {"formula_results.xls", "values.xlsx", "values.xls"}) {
    EXPECT_FALSE(sheet::LoadWorkbookFile(test::DataFile(std::string("sheet/") + cached).string())
                     .HasUncalculated())
        << cached;
  }
}

// Read through the gateway, the cells hold what a spreadsheet shows; the user's file is only read.
TEST_F(Worksheets, FormulasWithoutResultsAreCalculatedBeforeTheFirstRead) {
  if (SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
  for (const char* name : {"公式.xlsx", "公式.xls"}) {
    SCOPED_TRACE(name);
    const std::string before = test::ReadFile(Merge(name));
    Open(Merge(name));
    EXPECT_EQ(Cell(excel_, "c2"), "640");
    EXPECT_EQ(Cell(excel_, "e2"), "42");
    EXPECT_EQ(Cell(excel_, "f3"), "9462");
    EXPECT_EQ(Cell(excel_, "b3"), "12000");
    EXPECT_EQ(test::ReadFile(Merge(name)), before);
    excel_.get("application").get("workbooks").call("item", {1}).call("close");
  }
}

}  // namespace
}  // namespace vexlo::engine
