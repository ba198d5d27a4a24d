// The offices' folders on a full file system (a tiny file system in memory, mounted for the test;
// root only): the documents fail at once, each error naming its document and the full folder,
// without a retry or a new office for every document; once there is room again, documents are
// made again. A real LibreOffice.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

#include "office/engine/soffice/office_pool.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FullFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a file system needs root";
    fs::create_directories(mount_point_);
    if (::mount("tmpfs", mount_point_.c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_ && ::umount(mount_point_.c_str()) != 0) ::umount2(mount_point_.c_str(), MNT_DETACH);
  }

  // Fills the mounted file system to the last byte.
  void Fill() {
    std::ofstream out(mount_point_ / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (out.write(block.data(), block.size())) {
    }
  }

  // A PDF of the notice; the name follows the package, so that the jobs differ in their bytes
  // (jobs of equal bytes would share one load and its outcome).
  std::shared_future<ConversionOutcome> Pdf(OfficePool& pool, const std::string& name) {
    const fs::path source = dir_ / (name + ".docx");
    fs::copy_file(test::DataFile("output/通知.docx"), source, fs::copy_options::overwrite_existing);
    std::ofstream(source, std::ios::binary | std::ios::app) << name;
    return pool.Submit({source.string(), true, {{(dir_ / "out" / (name + ".pdf")).string(), StoreFormat::kPdf}},
                        name + ".pdf"});
  }

  test::ScratchDir dir_;
  test::ScratchDir profiles_;
  const fs::path mount_point_ = dir_ / "mnt";
  bool mounted_ = false;
};

TEST_F(FullFolderTest, DocumentsFailAtOnceNamingThemselvesAndWorkAgainWithRoom) {
  fs::create_directories(dir_ / "out");
  {
    OfficePool pool({.offices = 1, .profile_root = profiles_.path().string(), .work_root = mount_point_.string()});
    Fill();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::shared_future<ConversionOutcome>> jobs;
    const std::vector<std::string> names = {"张三", "李四", "王五"};
    for (const std::string& name : names) jobs.push_back(Pdf(pool, name));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const ConversionOutcome& outcome = jobs[i].get();
      EXPECT_FALSE(outcome.ok());
      EXPECT_NE(outcome.message().find("“" + names[i] + ".pdf”"), std::string::npos) << outcome.message();
      EXPECT_NE(outcome.message().find("已满"), std::string::npos) << outcome.message();
      EXPECT_EQ(outcome.message().find("已重试"), std::string::npos) << outcome.message();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 40s);
    EXPECT_LE(pool.starts(), 1);
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));

    // With room again, the same pool makes documents again.
    fs::remove(mount_point_ / "filler");
    const ConversionOutcome again = Pdf(pool, "赵六").get();
    EXPECT_TRUE(again.ok()) << again.message();
  }
  // The offices' folders went with the pool.
  EXPECT_TRUE(fs::is_empty(mount_point_));
}

}  // namespace
}  // namespace vexlo::engine
