// Finished files reach their names only for the newest request of each path, atomically, and
// leave no temporary file behind, whether delivered, skipped or failed.
#include "office/engine/soffice/delivery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

class DeliveryTest : public ::testing::Test {
 protected:
  // Queues a request for `paths` and returns its targets (with their orders).
  std::vector<StoreTarget> Request(const std::vector<std::string>& paths) {
    std::vector<StoreTarget> targets;
    for (const auto& p : paths) targets.push_back({(dir_ / p).string(), StoreFormat::kPdf});
    auto task = MakeTask({"src", false, targets, "src"}, "bytes" + std::to_string(++count_));
    std::lock_guard lock(mutex_);
    queue_.Add(task);
    queue_.TakeTask(PoolClock::now() + std::chrono::hours(1));  // in progress
    return task->job.targets;
  }
  std::string Made(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / "work" / name;
    fs::create_directories(path.parent_path());
    test::WriteFile(path, bytes);
    return path.string();
  }

  test::ScratchDir dir_;
  std::mutex mutex_;
  JobQueue queue_{QueueRules{.join_records = false}};
  Delivery delivery_{mutex_, queue_};
  int count_ = 0;
};

TEST_F(DeliveryTest, ALaterRequestForThePathHasTheLastWord) {
  const auto older = Request({"a.pdf"});
  const auto newer = Request({"a.pdf"});
  EXPECT_TRUE(delivery_.PutFile(newer[0], Made("1", "new")).ok());
  // The older one finishes last: it counts as done, the file stays the newer one's.
  const std::string late = Made("2", "old");
  EXPECT_TRUE(delivery_.PutFile(older[0], late).ok());
  EXPECT_EQ(test::ReadFile(dir_ / "a.pdf"), "new");
  EXPECT_FALSE(fs::exists(late));
  EXPECT_TRUE(delivery_.PutBytes(older, "old").ok());
  EXPECT_TRUE(delivery_.CopyFile(older, Made("3", "old")).ok());
  EXPECT_EQ(test::ReadFile(dir_ / "a.pdf"), "new");
}

TEST_F(DeliveryTest, OneFileGoesToEveryPathAskedForItAndNoCopyIsLeft) {
  const auto targets = Request({"x.pdf", "y.pdf"});
  const std::string part = Made("part", "pdf");
  EXPECT_TRUE(delivery_.CopyFile(targets, part).ok());
  EXPECT_EQ(test::ReadFile(dir_ / "x.pdf"), "pdf");
  EXPECT_EQ(test::ReadFile(dir_ / "y.pdf"), "pdf");
  EXPECT_TRUE(fs::exists(part));  // the caller's
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "work"), fs::directory_iterator()), 1);
}

TEST_F(DeliveryTest, AFailureIsReportedAndTheOtherTargetsAreStillServed) {
  test::WriteFile(dir_ / "keep.pdf", "earlier");
  const auto targets = Request({"missing/z.pdf", "keep.pdf"});
  const Status put = delivery_.PutBytes(targets, "fresh");
  EXPECT_FALSE(put.ok());
  EXPECT_NE(put.message(), "");
  EXPECT_EQ(test::ReadFile(dir_ / "keep.pdf"), "fresh");
  // A file that cannot be put leaves the target's folder as it was, and no temporary file.
  const auto again = Request({"missing/z.pdf"});
  const std::string made = Made("4", "x");
  EXPECT_FALSE(delivery_.PutFile(again[0], made).ok());
  EXPECT_FALSE(fs::exists(made));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
}  // namespace vexlo::engine
