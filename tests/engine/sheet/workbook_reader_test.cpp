// The .xlsx and .xls readers on workbooks we made: every value kind, the active sheet, the 1904
// date system and code pages, checked through the values the gateway hands out.
#include <gtest/gtest.h>

#include "office/engine/sheet/cell_address.h"
#include "office/engine/sheet/workbook_loader.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::sheet {
namespace {

using office::Value;

WorkbookData Load(const std::string& name) {
  return LoadWorkbookFile(test::DataFile("sheet/" + name).string());
}

Value At(const WorkbookData& book, const std::string& address) {
  const auto ref = ParseCellRef(address);
  EXPECT_TRUE(ref) << address;
  return book.ValueAt(book.active_sheet, ref->row, ref->column);
}

std::optional<std::string> TextAt(const WorkbookData& book, const std::string& address) {
  return office::ToText(At(book, address));
}

// values.xlsx and its LibreOffice-made .xls twin: column A names the case, B holds the value and
// C the text the general conversion must give.
class ValueKinds : public testing::TestWithParam<const char*> {};

TEST_P(ValueKinds, EveryCellConvertsToItsExpectedText) {
  const WorkbookData book = Load(GetParam());
  int checked = 0;
  for (int row = 1; row <= 22; ++row) {
    const std::string r = std::to_string(row);
    const auto name = TextAt(book, "a" + r);
    ASSERT_TRUE(name) << "row " << row;
    const auto expected = TextAt(book, "c" + r);
    ASSERT_TRUE(expected) << *name;
    EXPECT_EQ(TextAt(book, "b" + r), expected) << *name;
    ++checked;
  }
  EXPECT_EQ(checked, 22);
}

TEST_P(ValueKinds, KeepsKindsAndSparseCells) {
  const WorkbookData book = Load(GetParam());
  EXPECT_EQ(At(book, "b17").kind(), Value::Kind::kDate);   // built-in date format
  EXPECT_EQ(At(book, "b18").kind(), Value::Kind::kDate);   // custom 年月日 format
  EXPECT_EQ(At(book, "b6").kind(), Value::Kind::kDouble);  // currency format stays a number
  EXPECT_EQ(At(book, "b11").kind(), Value::Kind::kBool);
  EXPECT_TRUE(At(book, "d1").is_null());
  EXPECT_TRUE(At(book, "a24").is_null());  // an empty row
  EXPECT_EQ(TextAt(book, "a26"), "sparse");
  EXPECT_TRUE(At(book, "b26").is_null());
  EXPECT_EQ(TextAt(book, "f26"), "7");
}

INSTANTIATE_TEST_SUITE_P(Formats, ValueKinds, testing::Values("values.xlsx", "values.xls"));

TEST(XlsxReader, DecodesEscapedCharacters) {
  EXPECT_EQ(TextAt(Load("values.xlsx"), "a28"), "甲A乙");
}

TEST(XlsxReader, CellsWithoutReferencesFollowThePreviousOne) {
  const WorkbookData book = Load("no_refs.xlsx");
  EXPECT_EQ(TextAt(book, "a1"), "1");
  EXPECT_EQ(TextAt(book, "c1"), "3");
}

// Large sheets are parsed a slice of rows at a time; prefixes and end tags inside CDATA must
// give the same cells as a parse of the whole sheet.
TEST(XlsxReader, LargeSheetsReadTheSameInSlices) {
  const WorkbookData prefixed = Load("prefixed_large.xlsx");
  EXPECT_EQ(prefixed.sheets[0].cells.size(), 12000u);
  EXPECT_EQ(TextAt(prefixed, "a1"), "行1");
  EXPECT_EQ(TextAt(prefixed, "b6000"), "12000");
  const WorkbookData cdata = Load("cdata_large.xlsx");
  EXPECT_EQ(cdata.sheets[0].cells.size(), 6000u);
  EXPECT_EQ(TextAt(cdata, "a3000"), "a</row>3000");
  EXPECT_EQ(TextAt(cdata, "a6000"), "a</row>6000");
}

TEST(WorkbookReader, ActiveSheetIsTheWorkbooksActiveTab) {
  for (const char* name : {"second_active.xlsx", "second_active.xls"}) {
    const WorkbookData book = Load(name);
    EXPECT_EQ(book.active_sheet, 1u) << name;
    EXPECT_EQ(book.sheets[book.active_sheet].name, "第二页") << name;
    EXPECT_EQ(TextAt(book, "a2"), "李四") << name;
    EXPECT_EQ(TextAt(book, "b2"), "100") << name;
  }
}

TEST(WorkbookReader, Dates1904AreMovedToThe1900System) {
  for (const char* name : {"date1904.xlsx", "date1904.xls"}) {
    const WorkbookData book = Load(name);
    EXPECT_EQ(TextAt(book, "a1"), "2020/2/29") << name;
    EXPECT_EQ(TextAt(book, "b1"), "5") << name;
  }
}

// Our own BIFF files: every record kind, in BIFF5 code page 936 and in BIFF8 with the shared
// strings split across CONTINUE records.
class OwnBiff : public testing::TestWithParam<const char*> {};

TEST_P(OwnBiff, ReadsEveryRecordKind) {
  const WorkbookData book = Load(GetParam());
  EXPECT_EQ(book.sheets[book.active_sheet].name, "数据");
  EXPECT_EQ(TextAt(book, "a1"), "姓名");
  EXPECT_EQ(TextAt(book, "a2"), "张三丰");
  EXPECT_EQ(TextAt(book, "b2"), "12.5");
  EXPECT_EQ(TextAt(book, "c2"), "2020/2/29");
  EXPECT_EQ(TextAt(book, "a3"), "3");
  EXPECT_EQ(TextAt(book, "b3"), "19.99");
  EXPECT_EQ(TextAt(book, "c3"), "2020/3/1");  // custom 年月日 format
  EXPECT_EQ(TextAt(book, "a4"), "合计");
  EXPECT_EQ(TextAt(book, "b4"), "42");
  EXPECT_EQ(TextAt(book, "a5"), "TRUE");
  EXPECT_EQ(TextAt(book, "b5"), "#DIV/0!");
  EXPECT_EQ(TextAt(book, "c5"), "FALSE");
  EXPECT_EQ(TextAt(book, "a6"), "  空格  ");
}

INSTANTIATE_TEST_SUITE_P(Versions, OwnBiff, testing::Values("cp936_biff5.xls", "own_biff8.xls"));

TEST(XlsReader, SharedStringsAcrossContinueRecords) {
  const WorkbookData book = Load("own_biff8.xls");
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "长文本";
  EXPECT_EQ(TextAt(book, "a7"), long_text + "end");
  std::string latin;
  for (int i = 0; i < 6; ++i) latin += "latin-1 text: café ";
  EXPECT_EQ(TextAt(book, "b7"), latin);
}

TEST(XlsReader, SmallWorkbookInTheMiniStream) {
  const WorkbookData book = Load("mini_stream.xls");
  EXPECT_EQ(TextAt(book, "a1"), "迷你");
  EXPECT_EQ(TextAt(book, "b1"), "2.5");
}

TEST(WorkbookData, EarlyDatesFollowTheWorkbookCalendar) {
  EXPECT_EQ(AutomationDateFromSerial(0.5), 0.5);  // a time of day alone
  EXPECT_EQ(AutomationDateFromSerial(1), 2);      // 1900/1/1
  EXPECT_EQ(AutomationDateFromSerial(59), 60);    // 1900/2/28
  EXPECT_EQ(AutomationDateFromSerial(61), 61);    // 1900/3/1
  EXPECT_EQ(office::ToText(office::Date{AutomationDateFromSerial(1)}), "1900/1/1");
}

TEST(CellAddress, ParsesSingleCellsOnly) {
  EXPECT_EQ(ParseCellRef("a1")->column, 0u);
  EXPECT_EQ(ParseCellRef("ZZ1000")->column, 701u);
  EXPECT_EQ(ParseCellRef("ZZ1000")->row, 999u);
  EXPECT_EQ(ParseCellRef("$C$17")->row, 16u);
  EXPECT_EQ(ParseCellRef("XFD1048576")->column, 16383u);
  for (const char* bad : {"", "a", "1", "a0", "a1:b2", "XFE1", "a1048577", "a-1", "a 1", "é1"}) {
    EXPECT_FALSE(ParseCellRef(bad)) << bad;
  }
}

}  // namespace
}  // namespace vexlo::engine::sheet
