// The check before writing through vexlo-merge on real files: a pay slip whose titles nest
// (实发工资, 实发工资大写) and whose label 公积金比例 holds a title, as .docx and .doc, one
// document per record and one file; --check on traps of the data (rows below row 1000, a spacer
// row) writing nothing; and a run that leaves rows out is not called a success.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/server_registry.h"
#include "tests/cli/merge_program.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;

const char kTitles[] = "姓名,实发工资,实发工资大写,公积金\n";
const char kInsideText[] = "  “公积金”在“公积金比例：12%”中";

class CheckBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(test::Engine());
    if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers";
    for (const char* ext : {".docx", ".doc"}) {
      fs::copy_file(test::DataFile(std::string("check/嵌套标题") + ext), dir_ / ("工资条" + std::string(ext)));
    }
  }

  void WriteData(const std::string& name, const std::string& rows) {
    std::ofstream(dir_ / name, std::ios::binary) << kTitles << rows;
  }

  // The text of a document written by the run, read by LibreOffice.
  std::string TextOf(const fs::path& document) {
    const fs::path txt = dir_.path() / "txt";
    engine::RunSofficeConvert({document.string()}, "txt:Text (encoded):UTF8", txt.string(),
                              (dir_.path() / "profile").string());
    return test::ReadFile(txt / (document.stem().string() + ".txt"));
  }

  test::ProgramResult Run(const std::string& args) {
    return test::RunMergeProgram(dir_.path(), args,
                                 "XDG_CACHE_HOME='" + (dir_.path() / "cache").string() + "'");
  }

  test::ScratchDir dir_;
};

TEST_F(CheckBinaryTest, NestedTitlesComeOutWholeInEveryModeAndTheLabelIsNamedFirst) {
  if (engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice";
  WriteData("工资.csv", "张伟,7234.53,柒仟贰佰叁拾肆元伍角叁分,1020\n李娜,5000,伍仟元整,800\n");
  for (const std::string ext : {".docx", ".doc"}) {
    for (const bool one_file : {false, true}) {
      SCOPED_TRACE(ext + (one_file ? " one file" : " per record"));
      const std::string out = "输出" + ext.substr(1) + (one_file ? "1" : "n");
      const test::ProgramResult r = Run("--data 工资.csv --template 工资条" + ext + " --out " + out +
                                        (one_file ? " --one-file" : ""));
      ASSERT_EQ(r.status, 0) << r.err;
      // The label is named before the first document, and again nowhere else.
      EXPECT_EQ(r.err.find(kInsideText), r.err.rfind(kInsideText)) << r.err;
      EXPECT_NE(r.err.find(kInsideText), std::string::npos) << r.err;
      const std::string text = TextOf(dir_ / out / ((one_file ? "合并输出" : "张伟") + ext));
      EXPECT_NE(text.find("大写：柒仟贰佰叁拾肆元伍角叁分"), std::string::npos) << text;
      EXPECT_NE(text.find("实发：7234.53 元"), std::string::npos) << text;
      EXPECT_EQ(text.find("7234.53大写"), std::string::npos) << text;
      if (one_file) EXPECT_NE(text.find("大写：伍仟元整"), std::string::npos) << text;
    }
  }
}

TEST_F(CheckBinaryTest, CheckNamesTheRowsLeftOutAndWritesNothing) {
  std::string rows;
  for (int i = 1; i <= 1200; ++i) rows += "人" + std::to_string(i) + ",1,壹,2\n";
  WriteData("千行.csv", rows);
  const test::ProgramResult big = Run("--check --data 千行.csv --template 工资条.docx");
  EXPECT_EQ(big.status, 1) << big.err;
  EXPECT_NE(big.err.find("每次最多输出到第 1000 行：其后的 201 行数据没有输出"), std::string::npos)
      << big.err;

  WriteData("空行.csv", "甲,1,壹,2\n乙,1,壹,2\n丙,1,壹,2\n,,,\n丁,1,壹,2\n戊,1,壹,2\n");
  const test::ProgramResult spacer = Run("--check --data 空行.csv --template 工资条.docx");
  EXPECT_EQ(spacer.status, 1);
  EXPECT_NE(spacer.err.find("第 5 行第一列为空，数据在此结束：此后还有 2 行数据没有输出"),
            std::string::npos)
      << spacer.err;
  EXPECT_NE(spacer.err.find(kInsideText), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "输出"));

  // The run itself makes the three records and says the other two were left out.
  const test::ProgramResult run = Run("--data 空行.csv --template 工资条.docx --out 输出");
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_NE(run.out.find("操作已完成，但有 2 行数据没有输出"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("成功"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "丙.docx"));
  EXPECT_FALSE(fs::exists(dir_ / "输出" / "丁.docx"));
}

TEST_F(CheckBinaryTest, CheckOfACleanTemplateSaysSoAndSucceeds) {
  std::ofstream(dir_ / "干净.csv", std::ios::binary)
      << "姓名,实发工资,实发工资大写\n张伟,1,壹\n";
  const test::ProgramResult r = Run("--check --data 干净.csv --template 工资条.docx");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "操作提示：检查完成，没有发现问题。\n");
}

}  // namespace
}  // namespace vexlo::cli
