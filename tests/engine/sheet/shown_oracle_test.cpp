// Our display of every cell of the number-format corpus (tools/make_shown_corpus.py: one format
// code per row, a dozen values beside it, as .xlsx and as LibreOffice's .xls) against
// LibreOffice's CSV export "as shown" of the same file, read through the gateway as the merge
// reads it with 数值按表格格式. Where LibreOffice shows a cell otherwise than the spreadsheet the
// files are made for, the difference is listed below with its reason.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
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

Rows ParseCsv(const std::string& text) {
  Rows rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      rows.back().push_back(std::move(field));
      field.clear();
      rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

bool IsDateOrTimeCode(const std::string& code) {
  return code.find_first_of("ydhs") != std::string::npos && code.find("DBNum") == std::string::npos
             ? true
             : code.find("mm") != std::string::npos || code.find("aaa") != std::string::npos;
}

// Why LibreOffice shows a cell otherwise than the spreadsheet the files are made for; null
// where both agree and the cell is compared.
const char* LibreOfficeDeviation(const std::string& code, double value) {
  if (IsDateOrTimeCode(code) && (value < 61 || value >= 2958466)) {
    return "LibreOffice counts days from 1899-12-30 without the workbook calendar's 29 February "
           "1900 and shows negative and huge serials as times; the spreadsheet shows 1900-01-00 "
           "for 0 and #### for the impossible ones (we show the number)";
  }
  if (code == "hh:mm:ss" || code == "h\"时\"mm\"分\"ss\"秒\"") {
    return "LibreOffice cuts the fraction of a second; the spreadsheet rounds it (15:02:52.8 "
           "shows as 15:02:53)";
  }
  if (code == "aaaa" || code.starts_with("上午/下午")) {
    return "LibreOffice in an English locale does not know aaaa (it writes \"Shabbat\") nor "
           "上午/下午 without a Chinese locale tag";
  }
  if (code.find("DBNum") != std::string::npos) {
    return "LibreOffice ignores [DBNum] without a Chinese locale tag, writes 点, 负, －, 兆 and "
           "一十 where the spreadsheet writes ., -, 万亿 and 十";
  }
  if (value == 12345678901234 && (code == "General" || code == "@" || code.find('/') != std::string::npos)) {
    return "General shows 11 characters in the spreadsheet (1.23457E+13); LibreOffice shows "
           "every digit, and #FMT for fractions of large numbers";
  }
  if (code.starts_with("[h]") || code == "[mm]") {
    if (value > 1e6) return "LibreOffice writes #FMT for elapsed times past a million days";
  }
  if (code == "#.##") return "the spreadsheet keeps the point of \"#.##\" (\"123.\"), LibreOffice drops it";
  if (code == "# ?/8") return "LibreOffice blanks a whole number's fixed denominator one space short";
  if ((code == "#,##0," || code == "#,##0,,\"M\"") && value < 0) {
    return "the spreadsheet keeps the minus of a negative scaled to zero (\"-0\"); LibreOffice drops it";
  }
  if (code == "[>=1000]#,##0;0.0" && value < 0) {
    return "the spreadsheet shows the minus in an else section after a condition; LibreOffice "
           "drops it";
  }
  return nullptr;
}

void CompareWithOracle(const std::string& name) {
  const Rows expected = ParseCsv(test::ReadFile(test::DataFile("sheet/" + name + ".csv")));
  RegisterSpreadsheetServer(test::Engine().sheet());
  office::oleobject excel;
  ASSERT_EQ(excel.start_new("excel.application"), 0);
  excel.get("application").get("workbooks").call("open", {test::DataFile("sheet/" + name).string()});
  merge::DataSource shown(excel, true);
  int compared = 0;
  for (size_t r = 1; r < expected.size(); ++r) {
    const std::string& code = expected[r][0];
    for (size_t c = 1; c < expected[r].size(); ++c) {
      if (LibreOfficeDeviation(code, std::stod(expected[0][c]))) continue;
      const std::string address = merge::ColumnLetters(static_cast<int>(c)) + std::to_string(r + 1);
      const std::string ours = shown.ReadCell(address).value_or("");
      if (ours != expected[r][c]) {
        ADD_FAILURE() << name << " " << address << " | " << code << " | " << expected[0][c]
                      << " | ours “" << ours << "” | LibreOffice “" << expected[r][c] << "”";
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 380);  // of 684 cells, the rest known deviations
  excel.get("application").call("quit");
  excel.release();
}

TEST(ShownOracle, XlsxCellsShowAsLibreOfficeShowsThem) { CompareWithOracle("shown_formats.xlsx"); }

TEST(ShownOracle, XlsCellsShowAsLibreOfficeShowsThem) { CompareWithOracle("shown_formats.xls"); }

}  // namespace
}  // namespace vexlo::engine
