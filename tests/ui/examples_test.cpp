// The bundled example data, read through the embedded spreadsheet server as the merge reads it:
// the twelve titles, ten employees and pay figures that add up.
#include <gtest/gtest.h>

#include <filesystem>

#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/oleobject.h"
#include "office/server_registry.h"
#include "tests/support/test_engine.h"

namespace vexlo::ui {
namespace {

using office::Value;

class ExampleData : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterSpreadsheetServer(test::Engine().sheet());
    ASSERT_EQ(excel_.start_new("excel.application"), office::kConnectOk);
    excel_.get("application").get("workbooks").call("open", {Value(path_)});
  }
  void TearDown() override {
    excel_.get("application").call("quit");
    excel_.release();
    office::UnregisterServer("excel.application");
  }
  std::string Cell(char column, int row) {
    const std::string address = std::string(1, column) + std::to_string(row);
    return office::ToText(excel_.get("application").get("activesheet").call("range", {Value(address)})
                              .get("value"))
        .value_or("");
  }
  double Number(char column, int row) { return std::stod(Cell(column, row)); }

  std::string path_ = std::string(VEXLO_SOURCE_DIR) + "/示例/数据.xls";
  office::oleobject excel_;
};

TEST_F(ExampleData, TitlesRecordsAndSums) {
  const std::vector<std::string> titles = {"姓名", "部门", "职务", "月份", "基本工资",
                                           "岗位津贴", "绩效奖金", "加班费", "社保扣款",
                                           "公积金扣款", "个人所得税", "实发工资"};
  for (std::size_t i = 0; i < titles.size(); ++i) {
    EXPECT_EQ(Cell(static_cast<char>('a' + i), 1), titles[i]);
  }
  EXPECT_EQ(Cell('m', 1), "");  // the titles end here
  for (int row = 2; row <= 11; ++row) {
    EXPECT_FALSE(Cell('a', row).empty()) << row;
    const double earned = Number('e', row) + Number('f', row) + Number('g', row) + Number('h', row);
    const double deducted = Number('i', row) + Number('j', row) + Number('k', row);
    EXPECT_DOUBLE_EQ(Number('l', row), earned - deducted) << row;
  }
  EXPECT_EQ(Cell('a', 12), "");  // the data ends here
  EXPECT_TRUE(std::filesystem::is_regular_file(std::string(VEXLO_SOURCE_DIR) + "/示例/模板.doc"));
}

}  // namespace
}  // namespace vexlo::ui
