// An office that stalls in the middle of a joined export, stopped (SIGSTOP) or no longer
// answering on its pipe, against the real LibreOffice: the pool notices it long before the hard
// limit, kills it with its process group, joins the records again on a fresh office and goes on.
// The hard limit is set far beyond the waits here, so that only the stall detection can pass.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/stored_check.h"
#include "tests/engine/soffice/record_files.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Running(int pid) { return ::kill(pid, 0) == 0; }

class OfficeStallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { profiles_ = new test::ScratchDir; }
  static void TearDownTestSuite() { delete profiles_; }

  void SetUp() override {
    if (!OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  }

  // A one-office pool whose jobs hang for ten minutes before the hard limit ends them.
  OfficePoolOptions Options() const {
    return {.offices = 1, .profile_root = profiles_->path().string(), .job_timeout = 10min,
            .coalesce_wait = 600ms};
  }

  // Hands over the PDFs of four records named after `round` and returns their outcomes.
  std::vector<std::shared_future<ConversionOutcome>> SubmitRound(OfficePool& pool, const std::string& round) {
    const fs::path dir = dir_ / round;
    fs::create_directories(dir);
    const std::vector<fs::path> records = test::MakeRecords(
        dir, "output/通知.docx", {"张三", "销售部"},
        {{round + "甲", "技术部"}, {round + "乙", "财务部"}, {round + "丙", "人事部"}, {round + "丁", "销售部"}});
    std::vector<std::shared_future<ConversionOutcome>> outcomes;
    for (std::size_t i = 0; i < records.size(); ++i) {
      outcomes.push_back(pool.Submit({records[i].string(), false, {{Pdf(round, i), StoreFormat::kPdf}}, "记录"}));
    }
    return outcomes;
  }

  // Every outcome comes, well before the hard limit, and every PDF is there.
  void ExpectMade(const std::vector<std::shared_future<ConversionOutcome>>& outcomes, const std::string& round) {
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      ASSERT_EQ(outcomes[i].wait_for(3min), std::future_status::ready) << round << i;
      ASSERT_TRUE(outcomes[i].get().ok) << outcomes[i].get().error;
      EXPECT_EQ(PdfPageCount(Pdf(round, i)), 1) << round << i;
    }
  }

  // A first round, so that the pool knows how long a joined export takes; returns the office.
  int Warm(OfficePool& pool) {
    pool.Start();
    EXPECT_TRUE(pool.WaitForOffices(1, 5min));
    ExpectMade(SubmitRound(pool, "一"), "一");
    EXPECT_GE(pool.joined(), 2);
    return pool.OfficePids().empty() ? 0 : pool.OfficePids()[0];
  }

  // A second round given to the stalled office: made all the same, joined again on a fresh one.
  void ExpectRecovered(OfficePool& pool, int stalled_pid) {
    const int joined = pool.joined();
    const auto outcomes = SubmitRound(pool, "二");
    // The export is under way in the office that no longer works.
    ASSERT_TRUE(pool.WaitForJob(2min, JobKind::kJoinedExport));
    ExpectMade(outcomes, "二");
    EXPECT_EQ(pool.stalled(), 1);
    EXPECT_EQ(pool.starts(), 2);
    EXPECT_GE(pool.joined() - joined, 2);
    EXPECT_FALSE(Running(stalled_pid));
  }

  std::string Pdf(const std::string& round, std::size_t i) const {
    return (dir_ / ("out-" + round + std::to_string(i) + ".pdf")).string();
  }

  static test::ScratchDir* profiles_;
  test::ScratchDir dir_;
};

test::ScratchDir* OfficeStallTest::profiles_ = nullptr;

TEST_F(OfficeStallTest, AStoppedOfficeIsReplacedAndItsRecordsMade) {
  OfficePool pool(Options());
  const int pid = Warm(pool);
  ASSERT_GT(pid, 0);
  ::kill(pid, SIGSTOP);
  ExpectRecovered(pool, pid);
}

TEST_F(OfficeStallTest, AnOfficeThatStopsAnsweringOnItsPipeIsReplaced) {
  const fs::path frozen = dir_ / "frozen";
  OfficePoolOptions options = Options();
  // The office runs behind a relay on its pipe that passes nothing on once told.
  options.office_wrapper = {"/usr/bin/python3", (fs::path(VEXLO_SOURCE_DIR) / "tests/engine/soffice/office_relay.py").string(),
                            frozen.string()};
  OfficePool pool(options);
  const int relay = Warm(pool);
  ASSERT_GT(relay, 0);
  ::kill(relay, SIGUSR1);
  // The relay has stopped passing bytes on: both processes run, the pipe stays open and silent.
  for (const auto give_up = std::chrono::steady_clock::now() + 1min;
       !fs::exists(frozen) && std::chrono::steady_clock::now() < give_up;) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(fs::exists(frozen));
  ExpectRecovered(pool, relay);
}

}  // namespace
}  // namespace vexlo::engine
