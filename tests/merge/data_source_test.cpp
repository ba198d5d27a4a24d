// The data source reader: titles, record names and field values, on real workbooks through the
// embedded spreadsheet, and the exact reads it makes, through a server that records them.
#include "merge/data_source.h"

#include <gtest/gtest.h>

#include <map>

#include "merge/blank.h"
#include "office/automation_object.h"
#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/server_registry.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

using office::Args;
using office::AutomationObject;
using office::Value;

// Opens `name` in a new embedded spreadsheet, as the merge job does.
class OpenWorkbook {
 public:
  explicit OpenWorkbook(const std::string& name) {
    engine::RegisterSpreadsheetServer(test::Engine().sheet());
    EXPECT_EQ(excelserver.start_new("excel.application"), 0);
    excelserver.get("application")
        .get("workbooks")
        .call("open", {test::DataFile("sheet/" + name).string()});
  }
  ~OpenWorkbook() { excelserver.get("application").call("quit"); }
  office::oleobject excelserver;
};

// Reads every record the way the record loop does: rows 2..1000, ending at a blank name.
std::vector<std::vector<std::string>> AllRecords(const DataSource& source) {
  std::vector<std::vector<std::string>> records;
  for (int row = DataSource::kFirstRecordRow; row <= DataSource::kLastRecordRow; ++row) {
    const auto name = source.ReadRecordName(row);
    if (!name) break;
    std::vector<std::string> fields = {*name};
    for (int k = 1; k <= source.i_titlecount(); ++k)
      fields.push_back(source.ReadFieldValue(k, row));
    records.push_back(std::move(fields));
  }
  return records;
}

TEST(Blank, OnlyNullAndSpacesAreBlank) {
  EXPECT_TRUE(IsBlank(std::optional<std::string>()));
  EXPECT_TRUE(IsBlank(std::optional<std::string>("")));
  EXPECT_TRUE(IsBlank(std::optional<std::string>("   ")));
  EXPECT_FALSE(IsBlank(std::optional<std::string>("\t")));
  EXPECT_FALSE(IsBlank(std::optional<std::string>("\xE3\x80\x80")));  // ideographic space
  EXPECT_FALSE(IsBlank(std::optional<std::string>(" 0 ")));
}

TEST(ColumnLetters, RunFromAToZz) {
  EXPECT_EQ(ColumnLetters(0), "a");
  EXPECT_EQ(ColumnLetters(25), "z");
  EXPECT_EQ(ColumnLetters(26), "aa");
  EXPECT_EQ(ColumnLetters(51), "az");
  EXPECT_EQ(ColumnLetters(52), "ba");
  EXPECT_EQ(ColumnLetters(701), "zz");
}

TEST(DataSource, TitlesStopAtTheFirstBlankOne) {
  for (const char* name : {"titles_gap.xlsx", "titles_gap.xls"}) {
    OpenWorkbook book(name);
    DataSource source(book.excelserver);
    ASSERT_EQ(source.ReadTitles(), 1) << name;
    EXPECT_EQ(source.titles()[0].titlename, "姓名");
    EXPECT_EQ(source.titles()[0].wz, "a1");
    EXPECT_EQ(source.titles()[0].col, "a");
    EXPECT_EQ(AllRecords(source), (std::vector<std::vector<std::string>>{{"王五", "王五"}}));
  }
}

TEST(DataSource, RecordsEndAtRow1000AndSpacesBecomeEmpty) {
  for (const char* name : {"rows_past_1000.xlsx", "rows_past_1000.xls"}) {
    OpenWorkbook book(name);
    DataSource source(book.excelserver);
    ASSERT_EQ(source.ReadTitles(), 2);
    EXPECT_EQ(source.titles()[1].titlename, " 名称 ");  // spaces kept
    EXPECT_EQ(source.titles()[1].col, "b");
    const auto records = AllRecords(source);
    ASSERT_EQ(records.size(), 999u) << name;
    EXPECT_EQ(records.front(), (std::vector<std::string>{"2", "2", ""}));
    EXPECT_EQ(records[1], (std::vector<std::string>{"3", "3", "第3行"}));
    EXPECT_EQ(records.back()[0], "1000");
  }
}

TEST(DataSource, BlankFirstCellEndsTheData) {
  for (const char* name : {"blank_first.xlsx", "blank_first.xls"}) {
    OpenWorkbook book(name);
    DataSource source(book.excelserver);
    ASSERT_EQ(source.ReadTitles(), 2);
    const auto records = AllRecords(source);
    ASSERT_EQ(records.size(), 2u) << name;
    EXPECT_EQ(records[1], (std::vector<std::string>{"乙", "乙", "部门2"}));
  }
}

TEST(DataSource, AtMost702TitlesUpToZz) {
  OpenWorkbook book("titles_702.xlsx");
  DataSource source(book.excelserver);
  ASSERT_EQ(source.ReadTitles(), 702);
  EXPECT_EQ(source.titles().back().titlename, "T702");
  EXPECT_EQ(source.titles().back().wz, "zz1");
  EXPECT_EQ(source.ReadFieldValue(702, 2), "702");
}

// A server whose sheet answers from a map and records every address asked for.
class RecordingSheet : public AutomationObject {
 public:
  RecordingSheet() : AutomationObject("Worksheet") {
    AddMethod("range", 1, 1, [this](const Args& a) {
      const std::string address = a.Text(0);
      asked.push_back(address);
      auto cell = std::make_shared<Cell>();
      const auto it = cells.find(address);
      if (it != cells.end()) cell->value = it->second;
      return Value(std::shared_ptr<office::Dispatch>(cell));
    });
  }
  struct Cell : AutomationObject {
    Cell() : AutomationObject("Range") {
      AddProperty("value", [this] { return value; });
    }
    Value value;
  };
  std::map<std::string, Value> cells;
  std::vector<std::string> asked;
};

class RecordingApp : public AutomationObject {
 public:
  explicit RecordingApp(std::shared_ptr<RecordingSheet> sheet) : AutomationObject("Application") {
    AddProperty("application",
                [this] { return Value(std::shared_ptr<office::Dispatch>(self.lock())); });
    AddProperty("activesheet", [sheet] { return Value(std::shared_ptr<office::Dispatch>(sheet)); });
  }
  std::weak_ptr<RecordingApp> self;
};

class RecordingInstance : public office::ServerInstance {
 public:
  explicit RecordingInstance(std::shared_ptr<RecordingSheet> sheet)
      : app_(std::make_shared<RecordingApp>(sheet)) {
    app_->self = app_;
  }
  std::shared_ptr<office::Dispatch> Root() override { return app_; }

 private:
  std::shared_ptr<RecordingApp> app_;
};

TEST(DataSource, ReadsOneCellPerValueAndNeverPastZz) {
  auto sheet = std::make_shared<RecordingSheet>();
  for (int k = 0; k < 702; ++k) sheet->cells[ColumnLetters(k) + "1"] = Value("t");
  sheet->cells["a2"] = Value(12.5);
  sheet->cells["b2"] = Value("  ");
  office::RegisterServer("recording.sheet",
                         [sheet] { return std::make_shared<RecordingInstance>(sheet); });
  office::oleobject excelserver;
  ASSERT_EQ(excelserver.start_new("recording.sheet"), 0);
  DataSource source(excelserver);

  EXPECT_EQ(source.ReadTitles(), 702);
  ASSERT_EQ(sheet->asked.size(), 702u);
  EXPECT_EQ(sheet->asked.front(), "a1");
  EXPECT_EQ(sheet->asked.back(), "zz1");

  sheet->asked.clear();
  EXPECT_EQ(source.ReadRecordName(2), "12.5");
  EXPECT_EQ(source.ReadFieldValue(1, 2), "12.5");
  EXPECT_EQ(source.ReadFieldValue(2, 2), "");
  EXPECT_EQ(source.ReadRecordName(3), std::nullopt);
  EXPECT_EQ(sheet->asked, (std::vector<std::string>{"a2", "a2", "b2", "a3"}));
  office::UnregisterServer("recording.sheet");
}

TEST(DataSource, NoTitlesWhenA1IsBlank) {
  auto sheet = std::make_shared<RecordingSheet>();
  sheet->cells["a1"] = Value("   ");
  sheet->cells["b1"] = Value("later");
  office::RegisterServer("recording.sheet",
                         [sheet] { return std::make_shared<RecordingInstance>(sheet); });
  office::oleobject excelserver;
  ASSERT_EQ(excelserver.start_new("recording.sheet"), 0);
  DataSource source(excelserver);
  EXPECT_EQ(source.ReadTitles(), 0);
  EXPECT_EQ(sheet->asked, (std::vector<std::string>{"a1"}));
  office::UnregisterServer("recording.sheet");
}

}  // namespace
}  // namespace vexlo::merge
