// The stages' texts and the estimate of the time a stage still needs.
#include "merge/run_stages.h"

#include <gtest/gtest.h>

namespace vexlo::merge {
namespace {

using namespace std::chrono_literals;

TEST(RunStagesTest, NamesCountsAndTimes) {
  EXPECT_EQ(StageName(MergeStage::kDocuments), "正在生成文档");
  EXPECT_EQ(StageName(MergeStage::kPdfs), "正在生成PDF");
  EXPECT_EQ(StageName(MergeStage::kPrinting), "正在打印");
  EXPECT_EQ(StageCountText(MergeStage::kPrinting, 0, 3), "共 3 个");
  EXPECT_EQ(StageCountText(MergeStage::kPrinting, 4, 3), "第 3 个，共 3 个");
  EXPECT_EQ(RemainingText(75s), "还需约 1:15");
  EXPECT_EQ(ClockText(3h + 2min + 5s), "3:02:05");
  EXPECT_EQ(ClockText(-5s), "0:00");
}

TEST(RunStagesTest, TheTimeLeftFollowsThePaceSinceTheStageBegan) {
  StageTimer timer;
  const StageTimer::Clock::time_point t0{};
  // The PDFs made while the documents were written do not make the pace.
  EXPECT_EQ(timer.Report(MergeStage::kPdfs, 106, 200, t0), std::nullopt);
  EXPECT_EQ(timer.Report(MergeStage::kPdfs, 106, 200, t0 + 2s), std::nullopt);
  // 10 PDFs in 4 s: 84 more take about 34 s (rounded up).
  EXPECT_EQ(timer.Report(MergeStage::kPdfs, 116, 200, t0 + 4s), 34s);
  EXPECT_EQ(timer.Report(MergeStage::kPdfs, 200, 200, t0 + 40s), 0s);
  // A new stage starts its own pace.
  EXPECT_EQ(timer.Report(MergeStage::kPrinting, 0, 200, t0 + 40s), std::nullopt);
  EXPECT_EQ(timer.Report(MergeStage::kPrinting, 50, 200, t0 + 50s), 30s);
  // The same stage with a new total (the .doc files after the records) starts afresh too.
  EXPECT_EQ(timer.Report(MergeStage::kPrinting, 60, 80, t0 + 51s), std::nullopt);
  EXPECT_EQ(timer.Report(MergeStage::kPrinting, 70, 80, t0 + 61s), 10s);
  // Odd figures give no estimate rather than a wrong one.
  EXPECT_EQ(timer.Report(MergeStage::kPrinting, 90, 80, t0 + 62s), std::nullopt);
}

}  // namespace
}  // namespace vexlo::merge
