// The vexlo-merge program itself, run as a child process: exit statuses, what it prints, and a
// whole merge on real files once the embedded servers are built in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "office/engine/register_servers.h"
#include "office/server_registry.h"
#include "tests/support/test_paths.h"

namespace vexlo::cli {
namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

class CliBinaryTest : public ::testing::Test {
 protected:
  Result Run(const std::string& args) {
    const std::string cmd = "cd '" + dir_.path().string() + "' && '" VEXLO_MERGE_PROGRAM "' " +
                            args + " >out.txt 2>err.txt";
    const int raw = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = test::ReadFile(dir_ / "out.txt");
    r.err = test::ReadFile(dir_ / "err.txt");
    return r;
  }
  test::ScratchDir dir_;
};

TEST_F(CliBinaryTest, UsageHelpAndValidation) {
  EXPECT_EQ(Run("--help").status, 0);
  EXPECT_NE(Run("--help").out.find("退出状态"), std::string::npos);
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("--data a --template b --out c --print 99").status, 2);
  const Result missing = Run("--data 无.xlsx --template 无.docx --out .");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "错误提示：找不到“无.xlsx”文件！\n");
}

TEST_F(CliBinaryTest, WholeMergeAndRunTimeError) {
  engine::RegisterEmbeddedServers();
  if (!office::IsServerRegistered("word.application")) GTEST_SKIP() << "no embedded servers yet";
  for (const char* name : {"模板.docx", "数据.xlsx"}) {
    fs::copy_file(test::DataFile(std::string("merge/") + name), dir_ / name);
  }
  fs::create_directory(dir_ / "输出");
  const Result ok = Run("--data 数据.xlsx --template 模板.docx --out 输出 --pdf --one-file");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("操作提示：您已成功执行了操作！"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "合并输出.docx"));
  EXPECT_TRUE(fs::exists(dir_ / "输出" / "合并输出.pdf"));

  // Saving into a folder that does not exist is a run-time error: logged, own status.
  const Result failed = Run("--data 数据.xlsx --template 模板.docx --out 没有这个文件夹");
  EXPECT_EQ(failed.status, 3);
  EXPECT_TRUE(fs::exists(dir_ / "AppError.txt"));
}

}  // namespace
}  // namespace vexlo::cli
