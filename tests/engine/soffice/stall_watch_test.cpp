// When an office's job counts as stalled: the allowance from the medians of its kind, and the
// verdict from the CPU readings of a job past it.
#include "office/engine/soffice/stall_watch.h"

#include <gtest/gtest.h>

namespace vexlo::engine {
namespace {

using namespace std::chrono_literals;
using Verdict = JobWatch::Verdict;

const StallRules kRules{.factor = 3, .floor = 3s, .first_job = 20s, .quiet = 1s};

TEST(JobTimesTest, AllowanceFollowsTheMedianPerRecordOfItsKind) {
  JobTimes times(kRules);
  // Nothing known yet, and an office's first job: the generous allowance.
  EXPECT_EQ(times.Allowance(JobKind::kJoinedExport, 48, false), 20s);
  for (int i = 0; i < 5; ++i) times.Add(JobKind::kJoinedExport, 40, 4s);  // 0.1 s a record
  times.Add(JobKind::kJoinedExport, 40, 400s);                              // one slow export
  EXPECT_EQ(times.Allowance(JobKind::kJoinedExport, 48, false), 14400ms);   // 3 × 0.1 s × 48
  EXPECT_EQ(times.Allowance(JobKind::kJoinedExport, 48, true), 20s);
  // A short batch is never given less than the floor; other kinds keep their own medians.
  EXPECT_EQ(times.Allowance(JobKind::kJoinedExport, 2, false), 3s);
  EXPECT_EQ(times.Allowance(JobKind::kConversion, 1, false), 20s);
  times.Add(JobKind::kConversion, 1, 2s);
  EXPECT_EQ(times.Allowance(JobKind::kConversion, 1, false), 6s);
  // The polite end of an office is not a job to learn from.
  times.Add(JobKind::kEnding, 1, 1ms);
  EXPECT_EQ(times.Allowance(JobKind::kEnding, 1, false), 20s);
}

TEST(JobWatchTest, AJobPastItsAllowanceIsStalledOnlyWhileNothingRuns) {
  const auto t0 = JobWatch::Clock::now();
  JobWatch watch;
  long cpu = 0;
  int reads = 0;
  const auto read = [&] {
    ++reads;
    return cpu;
  };
  watch.Begin(JobKind::kJoinedExport, 8, t0, 180s, 5s);
  // Within its allowance the office is not even looked at.
  EXPECT_EQ(watch.Judge(t0 + 4900ms, 1s, read), Verdict::kFine);
  EXPECT_EQ(reads, 0);
  // Past it: a first reading, then one per quiet period.
  EXPECT_EQ(watch.Judge(t0 + 5s, 1s, read), Verdict::kFine);
  cpu += 300;  // working hard
  EXPECT_EQ(watch.Judge(t0 + 5500ms, 1s, read), Verdict::kFine);
  EXPECT_EQ(watch.Judge(t0 + 6s, 1s, read), Verdict::kFine);
  EXPECT_EQ(reads, 2);
  cpu += 5;  // a tick now and then is no progress
  EXPECT_EQ(watch.Judge(t0 + 7s, 1s, read), Verdict::kStalled);

  // A busy office is left alone until the hard limit.
  watch.Begin(JobKind::kConversion, 1, t0, 90s, 3s);
  for (int s = 3; s < 90; ++s) {
    cpu += 400;
    ASSERT_EQ(watch.Judge(t0 + std::chrono::seconds(s), 1s, read), Verdict::kFine) << s;
  }
  EXPECT_EQ(watch.Judge(t0 + 91s, 1s, read), Verdict::kHung);

  // Its end is timed by the hard limit only; a finished job is fine whatever comes.
  watch.Begin(JobKind::kEnding, 1, t0, 5s, 0s);
  EXPECT_EQ(watch.Judge(t0 + 4s, 1s, read), Verdict::kFine);
  EXPECT_EQ(watch.Judge(t0 + 6s, 1s, read), Verdict::kHung);
  EXPECT_EQ(watch.End(t0 + 6s, true), 6s);
  EXPECT_EQ(watch.Judge(t0 + 600s, 1s, read), Verdict::kFine);
  EXPECT_EQ(watch.End(t0 + 601s, true), 0s);  // ended already
}

}  // namespace
}  // namespace vexlo::engine
