// Output names, the fallback for names in use, and the file-in-use probe against a second
// process that holds the file.
#include "merge/output_naming.h"

#include <gtest/gtest.h>

#include "app/clock.h"
#include "app/clock.h"
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

TEST(NamesTest, FolderPrefix) {
  EXPECT_EQ(OutputPrefix("/out", "/home/用户"), "/out/");
  EXPECT_EQ(OutputPrefix("/out/", "/home/用户"), "/out//");
}

TEST(NamesTest, BlankFolderMeansTheStartUpFolder) {
  EXPECT_EQ(OutputPrefix("   ", "/home/用户"), "/home/用户/");
  EXPECT_EQ(OutputPrefix("", "/home/用户"), "/home/用户/");
}

TEST(NamesTest, RecordNamesCannotLeaveTheFolderOrHideInIt) {
  EXPECT_EQ(SafeFileName("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileName("行\t1\n\x7f"), "行_1__");
  EXPECT_EQ(SafeFileName(".."), "__");
  EXPECT_EQ(SafeFileName("."), "_");
  EXPECT_EQ(SafeFileName("../逃逸"), "___逃逸");
  EXPECT_EQ(SafeFileName(".bashrc"), "_bashrc");
  EXPECT_EQ(SafeFileName("/abs"), "_abs");
  EXPECT_EQ(SafeFileName("王.五 (2)"), "王.五 (2)");
}

class NamerTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
  std::string prefix_ = dir_.path().string() + "/";
};

TEST_F(NamerTest, CollisionsOfEveryKindGetANumber) {
  OutputNamer namer(prefix_, ".docx", {});
  EXPECT_EQ(namer.Reserve("张三"), "张三");
  EXPECT_EQ(namer.Reserve("张三"), "张三 (2)");
  EXPECT_EQ(namer.Reserve("张三"), "张三 (3)");
  EXPECT_EQ(namer.Reserve("Ann"), "Ann");
  EXPECT_EQ(namer.Reserve("ANN"), "ANN (2)");
  // a/b, a:b and a_b all become a_b.
  EXPECT_EQ(namer.Reserve(SafeFileName("a/b")), "a_b");
  EXPECT_EQ(namer.Reserve(SafeFileName("a:b")), "a_b (2)");
  EXPECT_EQ(namer.Reserve(SafeFileName("a_b")), "a_b (3)");
  // A record literally named "张三 (2)" does not take the place of an earlier numbered one.
  EXPECT_EQ(namer.Reserve("张三 (2)"), "张三 (2) (2)");
  EXPECT_EQ(namer.Document("张三 (2)"), prefix_ + "张三 (2).docx");
  EXPECT_EQ(namer.Pdf("张三 (2)"), prefix_ + "张三 (2).pdf");
}

TEST_F(NamerTest, InputsAreNeverOutputs) {
  test::WriteFile(dir_ / "模板.docx", "template");
  test::WriteFile(dir_ / "数据.pdf", "data");  // a data file with an odd ending
  // Reached through another spelling of the same folder.
  OutputNamer namer(dir_.path().string() + "/./", ".docx",
                    {(dir_ / "模板.docx").string(), (dir_ / "sub/../数据.pdf").string()});
  EXPECT_EQ(namer.Reserve("模板"), "模板 (2)");
  EXPECT_EQ(namer.Reserve("数据"), "数据 (2)");
  EXPECT_EQ(namer.Reserve("其他"), "其他");
}

TEST_F(NamerTest, LongNamesAreCutAtACharacterBoundaryKeepingTheEnding) {
  OutputNamer namer(prefix_, ".docx", {});
  const std::size_t max = namer.name_max();
  const std::string legal(max - 5 - 5, 'a');  // 240 bytes: fits with ".docx" and ".pdf"
  EXPECT_EQ(namer.Reserve(legal), legal);
  std::string chinese;
  while (chinese.size() < max) chinese += "汉";
  const std::string cut = namer.Reserve(chinese);
  EXPECT_LE(cut.size() + 5, max);
  EXPECT_EQ(cut.size() % 3, 0u);  // whole characters only
  EXPECT_EQ(cut, chinese.substr(0, cut.size()));
  const std::string second = namer.Reserve(chinese);
  EXPECT_EQ(second.substr(second.size() - 4), " (2)");
  EXPECT_LE(second.size() + 5, max);
  // A fallback stamp is kept whole; the name gives way.
  const std::string stamped = namer.Reserve(chinese, "20261207153000");
  EXPECT_EQ(stamped.substr(stamped.size() - 14), "20261207153000");
  EXPECT_LE(stamped.size() + 5, max);
  test::WriteFile(namer.Document(cut), "x");  // the file system takes them
  test::WriteFile(namer.Pdf(stamped), "x");
}

class InUseTest : public ::testing::Test {
 protected:
  const std::string stamp_ = app::Stamp14({2026, 12, 7, 15, 30, 0});
  test::ScratchDir dir_;
};

TEST_F(InUseTest, FallbackInsertsTheStampBeforeTheEnding) {
  EXPECT_EQ(FallbackName("/out/合并输出.doc", ".doc", stamp_), "/out/合并输出20261207153000.doc");
  EXPECT_EQ(FallbackName("/out/合并输出.docx", ".docx", stamp_), "/out/合并输出20261207153000.docx");
  EXPECT_EQ(FallbackName("/out/合并输出.pdf", ".pdf", stamp_), "/out/合并输出20261207153000.pdf");
}

TEST_F(InUseTest, OnlyAFileHeldByAnotherProgramIsInUse) {
  EXPECT_FALSE(HeldByAnother((dir_ / "新.docx").string()));
  const std::string free_file = (dir_ / "旧.docx").string();
  test::WriteFile(free_file, "x");
  EXPECT_FALSE(HeldByAnother(free_file));
  test::LockHolder holder(free_file, test::LockHolder::Kind::kFlock);
  EXPECT_TRUE(HeldByAnother(free_file));
  // The fallback name is checked as well: a held one is passed over.
  const std::string held_fallback = (dir_ / "张三20261207153000.docx").string();
  test::WriteFile(held_fallback, "x");
  test::LockHolder second(held_fallback, test::LockHolder::Kind::kFcntl);
  OutputNamer namer(dir_.path().string() + "/", ".docx", {});
  EXPECT_EQ(namer.Reserve("张三", stamp_, true), "张三20261207153000 (2)");
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
