// The workbook corpus (tools/make_corpus_workbooks.py): the same data as our own .xlsx, as
// LibreOffice saves it (.xlsx and Excel 97 .xls), as BIFF5 and as an Excel 4.0 workbook, read the
// way the merge reads it: titles of row 1 and records until the first blank name, each value one
// read through "excel.application".
#include <gtest/gtest.h>

#include <vector>

#include "merge/data_source.h"
#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/oleobject.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Titles (first row) and the records after them, as the merge sees them.
Rows ReadAsTheMergeDoes(const std::string& name) {
  RegisterSpreadsheetServer(test::Engine().sheet());
  office::oleobject excel;
  EXPECT_EQ(excel.start_new("excel.application"), 0);
  excel.get("application").get("workbooks").call("open", {test::DataFile("corpus/" + name).string()});
  merge::DataSource source(excel);
  Rows rows;
  const int count = source.ReadTitles();
  rows.emplace_back();
  for (const auto& title : source.titles()) rows.back().push_back(title.titlename);
  for (int row = merge::DataSource::kFirstRecordRow; row <= merge::DataSource::kLastRecordRow;
       ++row) {
    if (!source.ReadRecordName(row)) break;
    rows.emplace_back();
    for (int k = 1; k <= count; ++k) rows.back().push_back(source.ReadFieldValue(k, row));
  }
  excel.get("application").call("quit");
  excel.release();
  return rows;
}

// The data sheet is the second, active one; the empty text in A5 ends the data before 赵六.
TEST(WorkbookCorpus, NamesReadAlikeInEveryFormat) {
  const Rows expected = {
      {"编号", "姓名", "部门", "入职日期", "在职", "工资", "备注", "检查"},
      {"1", "张三", "销售部", "2019/3/15", "TRUE", "8500.5", "", "#N/A"},
      {"2", "李四", "技术部", "2020/2/29", "FALSE", "12000", "经理", "#DIV/0!"},
      {"3", "Ma Li", "销售部", "2021/12/31 18:00:00", "TRUE", "0", "合计", "  两边空格  "},
  };
  for (const char* name : {"names.xlsx", "names_lo.xlsx", "names_biff8.xls", "names_biff5.xls"}) {
    EXPECT_EQ(ReadAsTheMergeDoes(name), expected) << name;
  }
}

TEST(WorkbookCorpus, DatesOf1904SystemReadAlike) {
  const Rows expected = {{"日期", "说明"}, {"2020/2/29", "闰日"}, {"2000/1/1", "千年"}};
  for (const char* name :
       {"dates1904.xlsx", "dates1904_lo.xlsx", "dates1904_biff8.xls", "dates1904_biff5.xls"}) {
    EXPECT_EQ(ReadAsTheMergeDoes(name), expected) << name;
  }
}

TEST(WorkbookCorpus, Excel4WorkbookReadsItsFirstSheet) {
  const Rows expected = {
      {"编号", "姓名", "入职日期"}, {"1", "张三", "2019/3/15"}, {"2", "李四", "2020/2/29"}};
  EXPECT_EQ(ReadAsTheMergeDoes("names_excel4.xls"), expected);
}

}  // namespace
}  // namespace vexlo::engine
