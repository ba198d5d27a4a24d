// Workbooks in the shapes other writers leave them in, which other readers open: short compound
// files, strings that go on in CONTINUE records, formula results of odd types, string tables
// whose counts are wrong, Excel 2.x-4.x files, empty values and inactive kinds of sheet.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/workbook_loader.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::sheet {
namespace {

WorkbookData Load(const std::string& name) {
  return LoadWorkbookFile(test::DataFile("sheet/" + name).string());
}

std::optional<std::string> TextAt(const WorkbookData& book, const std::string& address) {
  const auto ref = ParseCellRef(address);
  EXPECT_TRUE(ref) << address;
  return office::ToText(book.ValueAt(book.active_sheet, ref->row, ref->column));
}

TEST(XlsQuirks, ShortLastSectorReadsAsZerosButMissingSectorsAreRefused) {
  const WorkbookData book = Load("short_last_sector.xls");
  EXPECT_EQ(TextAt(book, "a1"), "姓名");
  EXPECT_EQ(TextAt(book, "a300"), "第299行");
  EXPECT_EQ(TextAt(book, "b300"), "299");

  // Without its last sector the stream's chain points past the data.
  const std::string bytes = test::ReadFile(test::DataFile("sheet/short_last_sector.xls"));
  try {
    LoadWorkbookBytes(bytes.substr(0, (bytes.size() - 1) / 512 * 512), "cut.xls");
    ADD_FAILURE() << "a file without its last sector loaded";
  } catch (const app::RuntimeError& e) {
    EXPECT_NE(e.text().find("扇区位置超出文件"), std::string::npos) << e.text();
  }
}

TEST(XlsQuirks, LabelCharactersGoOnInContinueRecords) {
  const WorkbookData book = Load("label_continue.xls");
  EXPECT_EQ(TextAt(book, "a2"), "Zhang 三丰 abc 李");  // 8-bit, 16-bit, 8-bit, 16-bit
  std::string long_text(100, 'x');
  for (int i = 0; i < 50; ++i) long_text += "长";
  EXPECT_EQ(TextAt(book, "b2"), long_text);
  EXPECT_EQ(TextAt(book, "a3"), "王五");  // no character in the record itself
  EXPECT_EQ(TextAt(book, "b3"), "café");
}

// A STRING record holds the text of the formula before it whatever type that formula claims;
// a formula with nothing we can read is blank; an empty text is blank and ends the data.
TEST(XlsQuirks, FormulaResultsKeepTheirRowsAndEmptyTextIsBlank) {
  const WorkbookData book = Load("formula_results.xls");
  EXPECT_EQ(TextAt(book, "a2"), "甲");
  EXPECT_EQ(TextAt(book, "b2"), "");  // a LABEL of no characters and no option byte
  EXPECT_EQ(TextAt(book, "a3"), "乙");
  EXPECT_EQ(TextAt(book, "a4"), "丙");
  EXPECT_FALSE(TextAt(book, "b4"));
  EXPECT_EQ(TextAt(book, "a5"), "");
  EXPECT_EQ(TextAt(book, "a6"), "戊");
}

TEST(XlsQuirks, SharedStringsPastTheirCountAreKept) {
  const WorkbookData book = Load("sst_undercount.xls");
  EXPECT_EQ(TextAt(book, "a18"), "字符串18");
  EXPECT_EQ(TextAt(book, "a19"), "字符串19");
}

// Excel 2.x, 3.0 and 4.0 worksheets and an Excel 4.0 workbook, texts in code page 936.
class EarlyExcel : public testing::TestWithParam<const char*> {};

TEST_P(EarlyExcel, ReadsCellsLabelsAndCachedFormulaResults) {
  const WorkbookData book = Load(GetParam());
  EXPECT_EQ(TextAt(book, "a1"), "姓名");
  EXPECT_EQ(TextAt(book, "e1"), "文字公式");
  EXPECT_EQ(TextAt(book, "a2"), "张三");
  EXPECT_EQ(TextAt(book, "b2"), "12.5");
  EXPECT_EQ(TextAt(book, "c2"), "2020/2/29");
  EXPECT_EQ(TextAt(book, "d2"), "42");
  EXPECT_EQ(TextAt(book, "e2"), "合计");
  EXPECT_EQ(TextAt(book, "a3"), "李四");
  EXPECT_EQ(TextAt(book, "b3"), "3");
  EXPECT_EQ(TextAt(book, "c3"), "TRUE");
  EXPECT_EQ(TextAt(book, "d3"), "#DIV/0!");
  EXPECT_FALSE(TextAt(book, "a4"));
}

INSTANTIATE_TEST_SUITE_P(Versions, EarlyExcel,
                         testing::Values("excel2.xls", "excel3.xls", "excel4.xls",
                                         "excel4_book.xls"));

TEST(EarlyExcelBook, ReadsTheFirstSheetUnderItsName) {
  const WorkbookData book = Load("excel4_book.xls");
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(book.active_sheet, 0u);
  EXPECT_EQ(book.sheets[0].name, "第一页");
  EXPECT_EQ(book.sheets[1].name, "第二页");
  EXPECT_EQ(Load("excel3.xls").sheets[0].name, "excel3");
}

// Early files refused for a real reason say why.
TEST(EarlyExcelBook, ProtectedOrCutFilesAreRefusedWithTheReason) {
  const std::string bytes = test::ReadFile(test::DataFile("sheet/excel4.xls"));
  const auto error_of = [](const std::string& data) -> std::string {
    try {
      LoadWorkbookBytes(data, "early.xls");
    } catch (const app::RuntimeError& e) {
      return e.text();
    }
    return "loaded";
  };
  const std::string filepass("\x2F\x00\x04\x00\x01\x00\x01\x00", 8);
  EXPECT_NE(error_of(bytes.substr(0, 10) + filepass + bytes.substr(10)).find("受密码保护"),
            std::string::npos);
  EXPECT_NE(error_of(bytes.substr(0, bytes.size() / 2)).find("已损坏"), std::string::npos);
  EXPECT_NE(error_of(bytes.substr(0, bytes.size() - 4)).find("没有结束记录"), std::string::npos);
}

// BOF records whose version field says 0: the record's length tells BIFF8 from BIFF5/7.
TEST(XlsQuirks, BofWithoutAVersionReadsByItsLength) {
  for (const char* file : {"bof_version_zero.xls", "bof_version_zero_biff5.xls"}) {
    const WorkbookData book = Load(file);
    EXPECT_EQ(book.sheets[book.active_sheet].name, "名单") << file;
    EXPECT_EQ(TextAt(book, "a2"), "赵六") << file;
    EXPECT_EQ(TextAt(book, "b2"), "杭州") << file;
    EXPECT_EQ(TextAt(book, "b3"), "8.25") << file;
  }
}

// Formulas under Excel 3.0's and 4.0's record numbers keep their cached results, so a row whose
// first cell is such a formula is not taken for the end of the data.
TEST(XlsQuirks, FormulaUnderAnotherVersionsRecordNumberKeepsItsRow) {
  const WorkbookData book = Load("formula_record_ids.xls");
  EXPECT_EQ(TextAt(book, "a2"), "101");
  EXPECT_EQ(TextAt(book, "a3"), "B-102");
  EXPECT_EQ(TextAt(book, "a4"), "103");
  EXPECT_EQ(TextAt(book, "b4"), "丙");
}

TEST(XlsxQuirks, EmptyNumericValuesAreBlank) {
  const WorkbookData book = Load("empty_values.xlsx");
  EXPECT_EQ(TextAt(book, "a2"), "甲");
  EXPECT_FALSE(TextAt(book, "b2"));  // <v></v>
  EXPECT_FALSE(TextAt(book, "b3"));  // <v/>
  EXPECT_FALSE(TextAt(book, "a4"));  // a formula whose value is empty
  EXPECT_EQ(TextAt(book, "a5"), "丁");
}

// Rich text and phonetic runs are one item each, the counts in the attributes are ignored, and
// an index may have white space around it.
TEST(XlsxQuirks, SharedStringsAreCountedByTheirItems) {
  const WorkbookData book = Load("sst_19.xlsx");
  EXPECT_EQ(TextAt(book, "a1"), "串1");
  EXPECT_EQ(TextAt(book, "a2"), "富文本2");
  EXPECT_EQ(TextAt(book, "a18"), "串18");
  EXPECT_EQ(TextAt(book, "a19"), "串19");
}

// The entry "xl/SharedStrings.xml" is the part the relationship calls "sharedStrings.xml", and
// its count attribute, short by many, is not what the cells are checked against.
TEST(XlsxQuirks, SharedStringPartNamesIgnoreCase) {
  const WorkbookData book = Load("shared_strings_case.xlsx");
  const WorkbookData plain = Load("values.xlsx");
  for (const char* cell : {"a2", "b2", "a3", "b3", "a26"}) {
    EXPECT_EQ(TextAt(book, cell), TextAt(plain, cell)) << cell;
  }
}

TEST(XlsxQuirks, ActiveChartOrDialogSheetGivesWayToTheFirstWorksheet) {
  const WorkbookData chart = Load("chart_active.xlsx");
  EXPECT_EQ(chart.active_sheet, 0u);
  EXPECT_EQ(TextAt(chart, "a1"), "错误的表");
  const WorkbookData xls_chart = Load("chart_active.xls");
  EXPECT_EQ(xls_chart.active_sheet, 0u);
  EXPECT_EQ(TextAt(xls_chart, "a2"), "钱七");
  const WorkbookData dialog = Load("dialog_active.xlsx");
  EXPECT_EQ(dialog.active_sheet, 0u);
  EXPECT_EQ(dialog.sheets[0].name, "数据");
  EXPECT_EQ(TextAt(dialog, "a2"), "赵六");
}

// Sheets that all name the same chart part, the worksheet last: the chart is looked at once.
// Read again for every sheet, it took over a gigabyte and the workbook was refused as too large.
TEST(XlsxQuirks, ManySheetsNamingOneChartPartLookAtItOnce) {
  const std::string chart = "<chartsheet>" + std::string(300 << 10, ' ') + "</chartsheet>";
  std::string workbook = "<workbook xmlns:r=\"r\"><sheets>";
  std::string rels = "<Relationships>";
  for (int i = 0; i <= 4000; ++i) {
    const std::string id = std::to_string(i);
    workbook += "<sheet name=\"S" + id + "\" r:id=\"r" + id + "\"/>";
    rels += "<Relationship Id=\"r" + id + "\" Type=\"x/worksheet\" Target=\"" +
            (i < 4000 ? "chart.xml" : "data.xml") + "\"/>";
  }
  ZipWriter zip;
  zip.Add("_rels/.rels",
          "<Relationships><Relationship Id=\"r\" Type=\"x/officeDocument\" "
          "Target=\"xl/workbook.xml\"/></Relationships>");
  zip.Add("xl/workbook.xml", workbook + "</sheets></workbook>");
  zip.Add("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
  zip.Add("xl/chart.xml", chart);
  zip.Add("xl/data.xml",
          "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>姓名</t></is></c></row>"
          "</sheetData></worksheet>");
  const WorkbookData book = LoadWorkbookBytes(zip.Finish(), "图表.xlsx");
  EXPECT_EQ(book.active_sheet, 4000u);
  EXPECT_EQ(TextAt(book, "a1"), "姓名");
}

}  // namespace
}  // namespace vexlo::engine::sheet
