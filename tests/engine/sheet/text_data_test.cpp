// Data files that are text: CSV in the encodings and separators people save, web pages saved
// under a workbook's name, and the kinds of file picked by mistake, each named in the error.
#include <gtest/gtest.h>

#include "app/codepage.h"
#include "app/error_numbers.h"
#include "app/runtime_error.h"
#include "office/engine/sheet/workbook_loader.h"
#include "office/value.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::sheet {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The sheet's texts row by row, as far as `rows` x `columns` reaches.
Rows Grid(const WorkbookData& book, uint32_t rows, uint32_t columns) {
  Rows grid(rows, std::vector<std::string>(columns));
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t c = 0; c < columns; ++c) {
      grid[r][c] = office::ToText(book.ValueAt(book.active_sheet, r, c)).value_or("");
    }
  }
  return grid;
}

WorkbookData LoadAs(const std::string& name, const std::string& bytes) {
  test::ScratchDir dir;
  test::WriteFile(dir / name, bytes);
  return LoadWorkbookFile((dir / name).string());
}

std::string LoadError(const std::string& name, const std::string& bytes) {
  test::ScratchDir dir;
  test::WriteFile(dir / name, bytes);
  try {
    LoadWorkbookFile((dir / name).string());
  } catch (const app::RuntimeError& e) {
    EXPECT_EQ(e.number(), app::kErrFileFormat) << e.text();
    EXPECT_NE(e.text().find(name), std::string::npos) << e.text();
    return e.text();
  }
  ADD_FAILURE() << name << " loaded";
  return "";
}

const Rows kPay = {{"姓名", "部门", "工号"}, {"张三", "财务部", "001"}};

TEST(CsvData, EncodingsAndSeparatorsPeopleSave) {
  const std::string utf8 = "姓名,部门,工号\r\n张三,财务部,001\r\n";
  EXPECT_EQ(Grid(LoadAs("有BOM.csv", "\xEF\xBB\xBF" + utf8), 2, 3), kPay);
  EXPECT_EQ(Grid(LoadAs("无BOM.csv", utf8), 2, 3), kPay);
  EXPECT_EQ(Grid(LoadAs("国标.csv", app::Utf8ToCp936("姓名\t部门\t工号\n张三\t财务部\t001")), 2, 3),
            kPay);
  EXPECT_EQ(Grid(LoadAs("分号.csv", "姓名;部门;工号\n张三;财务部;001\n"), 2, 3), kPay);
  // A file that only says it is a workbook is read by what it holds.
  EXPECT_EQ(Grid(LoadAs("改名.xlsx", utf8), 2, 3), kPay);
  // UTF-16 with its mark: what "Unicode text" exports are.
  std::string le = "\xFF\xFE";
  for (const char32_t c : std::u32string(U"姓名\t部门\t工号\n张三\t财务部\t001\n")) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(Grid(LoadAs("unicode.xls", le), 2, 3), kPay);
}

TEST(CsvData, QuotedFieldsKeepSeparatorsBreaksAndQuotes) {
  const WorkbookData book = LoadAs(
      "引号.csv", "姓名,备注,金额\n\"王, 五\",\"第一行\r\n第二行\",\"1,200\"\n\"说\"\"好\"\"\",,3\n");
  EXPECT_EQ(Grid(book, 3, 3), (Rows{{"姓名", "备注", "金额"},
                                    {"王, 五", "第一行\n第二行", "1,200"},
                                    {"说\"好\"", "", "3"}}));
  // Only the first line decides the separator, quotes included.
  EXPECT_EQ(Grid(LoadAs("逗号.csv", "\"a;b\",c\n1;2,3\n"), 2, 2), (Rows{{"a;b", "c"}, {"1;2", "3"}}));
}

TEST(HtmlTableData, FirstTableOfAPageSavedAsWorkbook) {
  const std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
      "<style>td{color:red}</style></head><body><p>工资表</p>"
      "<TABLE border=1><thead><tr><th>姓名</th><th colspan=\"2\">部门 &amp; 组</th><th>工号</th></tr>"
      "</thead><tr><td> 张\n  三 </td><td colspan=2>财务部<br>一组</td><td>&#48;&#x30;1</td></tr>"
      "<tr><td>李四<table><tr><td>内表</td></tr></table></td><td>&nbsp;</td></tr></TABLE>"
      "<table><tr><td>第二张表</td></tr></table></body></html>";
  const WorkbookData book = LoadAs("导出.xls", app::Utf8ToCp936(page));
  EXPECT_EQ(Grid(book, 4, 4), (Rows{{"姓名", "部门 & 组", "", "工号"},
                                    {"张 三", "财务部\n一组", "", "001"},
                                    {"李四内表", "", "", ""},
                                    {"", "", "", ""}}));
  // UTF-8 without a declared charset, under an .xlsx name.
  EXPECT_EQ(Grid(LoadAs("导出.xlsx", "\n<table><tr><td>姓名</td></tr><tr><td>张三</td></tr></table>"),
                 2, 1),
            (Rows{{"姓名"}, {"张三"}}));
}

TEST(OtherFiles, WrongKindsAreNamed) {
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"报表.xls", "%PDF-1.7\n...", "PDF文件"},
      {"照片.xlsx", "\x89PNG\r\n\x1A\n....", "图片"},
      {"通知.xls", "{\\rtf1\\ansi 你好}", "RTF"},
      {"说明.xlsx", "只有一行文字，没有分列\n第二行", "文本文件"},
      {"网页.xls", "<html><body>没有表格</body></html>", "没有表格"},
      {"空表.xls", "<table><tr><td> </td></tr></table>", "表格是空的"},
      {"空白.csv", "\r\n\r\n", "没有任何数据"},
      {"二进制.xls", std::string("\x01\x02\x03\x00", 4), "无法识别"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(LoadError(c.name, c.bytes).find(c.says), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace vexlo::engine::sheet
