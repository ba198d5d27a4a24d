// Output names, the fallback for names in use, and the file-in-use probe against a second
// process that holds the file.
#include "merge/output_naming.h"

#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/globals.h"
#include "merge/file_probe.h"
#include "tests/merge/lock_holder.h"
#include "tests/support/test_paths.h"

namespace vexlo::merge {
namespace {

TEST(FiletypeTest, TakesTheEndingFromTheLastDotWhenItHasTwoCharactersOrMore) {
  EXPECT_EQ(DeriveFiletype("/t/通知.docx"), ".docx");
  EXPECT_EQ(DeriveFiletype("/t/通知.DOC"), ".DOC");
  EXPECT_EQ(DeriveFiletype("/t/通知"), ".doc");
  EXPECT_EQ(DeriveFiletype("/t/a.b"), ".doc");
  EXPECT_EQ(DeriveFiletype("/t.d/模板"), ".doc");  // a dot in a folder name is no extension
}

TEST(NamesTest, MergedAndRecordNamesJoinTheFolder) {
  const std::string prefix = OutputPrefix("/out");
  EXPECT_EQ(prefix, "/out/");
  EXPECT_EQ(OutputPrefix("/out/"), "/out//");
  const MergedNames merged = FormMergedNames(prefix, ".docx");
  EXPECT_EQ(merged.document, "/out/合并输出.docx");
  EXPECT_EQ(merged.pdf, "/out/合并输出.pdf");
  const RecordNames record = FormRecordNames(prefix, " 张三 ", ".doc");
  EXPECT_EQ(record.document, "/out/ 张三 .doc");
  EXPECT_EQ(record.pdf, "/out/ 张三 .pdf");
}

TEST(NamesTest, BlankFolderMeansTheStartUpFolder) {
  const std::string saved = app::as_currentpath;
  app::as_currentpath = "/home/用户";
  EXPECT_EQ(OutputPrefix("   "), "/home/用户/");
  EXPECT_EQ(OutputPrefix(""), "/home/用户/");
  app::as_currentpath = saved;
}

TEST(NamesTest, RecordNamesCannotLeaveTheFolder) {
  EXPECT_EQ(SafeFileName("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileName("行\t1\n\x7f"), "行_1__");
  EXPECT_EQ(SafeFileName(".."), "__");
  EXPECT_EQ(SafeFileName("."), "_");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafeFileName("/abs"), "_abs");
  EXPECT_EQ(SafeFileName("王.五 (2)"), "王.五 (2)");
  EXPECT_EQ(FormRecordNames("/out/", "../x", ".docx").document, "/out/.._x.docx");
}

class InUseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::SetClockForTest([] { return app::LocalTime{2026, 12, 7, 15, 30, 0}; });
  }
  void TearDown() override { app::SetClockForTest(nullptr); }
  test::ScratchDir dir_;
};

TEST_F(InUseTest, FallbackInsertsTheStampBeforeTheEnding) {
  EXPECT_EQ(FallbackName("/out/合并输出.doc", ".doc"), "/out/合并输出20261207153000.doc");
  EXPECT_EQ(FallbackName("/out/合并输出.docx", ".docx"), "/out/合并输出20261207153000.docx");
  EXPECT_EQ(FallbackName("/out/合并输出.pdf", ".pdf"), "/out/合并输出20261207153000.pdf");
}

TEST_F(InUseTest, MissingAndFreeFilesKeepTheirNameHeldOnesFallBack) {
  EXPECT_FALSE(FallbackIfInUse((dir_ / "新.docx").string(), ".docx"));
  const std::string free_file = (dir_ / "旧.docx").string();
  test::WriteFile(free_file, "x");
  EXPECT_FALSE(FallbackIfInUse(free_file, ".docx"));

  const std::string held = (dir_ / "张三.docx").string();
  test::WriteFile(held, "x");
  test::LockHolder holder(held, test::LockHolder::Kind::kFlock);
  const std::string fallback = (dir_ / "张三20261207153000.docx").string();
  EXPECT_EQ(FallbackIfInUse(held, ".docx"), fallback);
  EXPECT_EQ(FallbackMessage(held, fallback),
            "    无法创建“" + held + "”文件！\n文件将另存为" + fallback + "。");
}

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFile(path_, "data"); }
  test::ScratchDir dir_;
  std::string path_ = (dir_ / "数据.xlsx").string();
};

TEST_F(ProbeTest, FreeFileProbesOkAndLeavesNoLockBehind) {
  EXPECT_EQ(ProbeFile(path_), 1);
  EXPECT_EQ(ProbeFile(path_), 1);
  test::LockHolder holder(path_, test::LockHolder::Kind::kFlock);  // would throw if still locked
}

TEST_F(ProbeTest, LocksOfAnotherProcessMakeTheFileHeld) {
  {
    test::LockHolder holder(path_, test::LockHolder::Kind::kFlock);
    EXPECT_EQ(ProbeFile(path_), -1);
  }
  {
    test::LockHolder holder(path_, test::LockHolder::Kind::kFcntl);
    EXPECT_EQ(ProbeFile(path_), -1);
  }
  EXPECT_EQ(ProbeFile(path_), 1);
}

TEST_F(ProbeTest, OfficeLockFilesBesideTheFileMakeItHeld) {
  for (const std::string lock : {".~lock.数据.xlsx#", "~$数据.xlsx", "~$.xlsx"}) {
    test::WriteFile(dir_ / lock, "user");
    EXPECT_EQ(ProbeFile(path_), -1) << lock;
    std::filesystem::remove(dir_ / lock);
  }
  EXPECT_EQ(ProbeFile(path_), 1);
}

TEST_F(ProbeTest, MissingFilesAndFolders) {
  EXPECT_EQ(ProbeFile((dir_ / "无").string()), -1);
  EXPECT_FALSE(FileExists((dir_ / "无").string()));
  EXPECT_FALSE(FileExists(dir_.path().string()));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists(path_));
}

}  // namespace
}  // namespace vexlo::merge
