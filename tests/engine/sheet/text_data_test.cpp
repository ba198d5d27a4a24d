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

// A quote that never closes would swallow the rest of the file into one field: the file is
// refused, naming the line the quote opened on (CR LF, LF and CR alone each end a line, and line
// breaks inside quoted fields count).
TEST(CsvData, UnclosedQuoteIsRefusedNamingItsLine) {
  const std::string fixture = test::ReadFile(test::DataFile("sheet/text/unclosed_quote.csv"));
  const std::string error = LoadError("工资.csv", fixture);
  EXPECT_NE(error.find("第 4 行"), std::string::npos) << error;
  EXPECT_NE(error.find("引号"), std::string::npos) << error;
  EXPECT_NE(LoadError("单行.csv", "a,b\n\"c").find("第 2 行"), std::string::npos);
  EXPECT_NE(LoadError("回车.csv", "a,b\r1,\"x\"\"y\r2,3").find("第 2 行"), std::string::npos);
  EXPECT_NE(LoadError("国标.csv", app::Utf8ToCp936("姓名,部门\n\"张三,财务部\n")).find("第 2 行"),
            std::string::npos);
  // Closed at the very end, or by a doubled quote's partner: read.
  EXPECT_EQ(Grid(LoadAs("末尾.csv", "a,\"b\"\"\""), 1, 2), (Rows{{"a", "b\""}}));
  EXPECT_EQ(Grid(LoadAs("空引号.csv", "a,\"\""), 1, 2), (Rows{{"a", ""}}));
}

// Bytes that are valid in no charset we read are not data, whatever the name says, and neither
// is text holding control characters past the part the loader looks at first.
TEST(CsvData, BytesThatAreNoTextAreRefusedLikeABinaryFile) {
  const std::string ff = test::ReadFile(test::DataFile("sheet/text/not_text.csv"));
  EXPECT_NE(LoadError("数据.csv", ff).find("无法识别"), std::string::npos);
  EXPECT_NE(LoadError("数据.xls", "a,b\n" + ff).find("无法识别"), std::string::npos);
  std::string late_nul = "a,b\n" + std::string(70000, 'x') + '\0' + "\n";
  EXPECT_NE(LoadError("零.csv", late_nul).find("无法识别"), std::string::npos);
  // UTF-16 with a lone surrogate is no text either.
  EXPECT_NE(LoadError("坏.csv", std::string("\xFF\xFE" "a\0,\0\x00\xD8", 8)).find("无法识别"),
            std::string::npos);
}

// Pages whose meta charset lies: valid UTF-8 is UTF-8, GBK under a charset it is not is GBK, and
// a declared multi-byte charset the bytes fit is believed.
TEST(HtmlTableData, DeclaredCharsetTheBytesContradictIsPassedOver) {
  const Rows pay = {{"姓名", "部门"}, {"张三", "财务部"}};
  EXPECT_EQ(Grid(LoadWorkbookFile(test::DataFile("sheet/text/says_gb2312_holds_utf8.xls")), 2, 2), pay);
  EXPECT_EQ(Grid(LoadWorkbookFile(test::DataFile("sheet/text/says_utf16_holds_gbk.xls")), 2, 2), pay);
  EXPECT_EQ(Grid(LoadWorkbookFile(test::DataFile("sheet/text/says_big5_holds_big5.xls")), 2, 2),
            (Rows{{"姓名", "部門"}, {"張三", "財務部"}}));
  const std::string latin = "<meta charset=\"iso-8859-1\"><table><tr><td>张三</td></tr></table>";
  EXPECT_EQ(Grid(LoadAs("西文.xls", app::Utf8ToCp936(latin)), 1, 1), (Rows{{"张三"}}));
}

// Tables in scripts, templates, styles, text areas and comments are not what a browser shows:
// the data is the first table outside them.
TEST(HtmlTableData, TablesThatABrowserDoesNotShowAreNotData) {
  EXPECT_EQ(Grid(LoadWorkbookFile(test::DataFile("sheet/text/hidden_tables.xls")), 3, 2),
            (Rows{{"姓名", "部门"}, {"张三", "财务部"}, {"", ""}}));
  EXPECT_NE(LoadError("脚本.xls", "<script>x='<table><tr><td>a</td></tr></table>'</script>")
                .find("没有表格"),
            std::string::npos);
  EXPECT_NE(LoadError("注释.xls", "<p>x</p><!-- <table><tr><td>a</td></tr></table>").find("没有表格"),
            std::string::npos);
}

// What a cell shows around characters that look like markup: a '<' before no letter, a stray
// quote in a tag, runs of '&' with and without entities after them.
TEST(HtmlTableData, CellTextAroundMarkupLookalikes) {
  const std::string amps(50000, '&');
  const WorkbookData book = LoadAs(
      "符号.xls", "<table><tr><td>a < b</td><td title=x\"y>1 &lt;2</td><td>" + amps +
                      "&amp;</td><td>&#x5F20;&#19977;&unknown;&#0;</td></tr></table>");
  EXPECT_EQ(Grid(book, 1, 4), (Rows{{"a < b", "1 <2", amps + "&", "张三&unknown;&#0;"}}));
}

}  // namespace
}  // namespace vexlo::engine::sheet
