#include "merge/run_stages.h"

#include <algorithm>
#include <cstdio>

namespace vexlo::merge {

std::string StageName(MergeStage stage) {
  switch (stage) {
    case MergeStage::kDocuments: return "正在生成文档";
    case MergeStage::kPdfs: return "正在生成PDF";
    case MergeStage::kPrinting: return "正在打印";
    case MergeStage::kMailing: return "正在发送邮件";
  }
  return {};
}

std::string StageCountText(MergeStage stage, int current, int total) {
  const std::string unit = stage == MergeStage::kDocuments ? " 条"
                           : stage == MergeStage::kMailing ? " 封"
                                                             : " 个";
  const std::string all = "共 " + std::to_string(std::max(total, 0)) + unit;
  if (current <= 0) return all;
  return "第 " + std::to_string(std::min(current, total)) + unit + "，" + all;
}

std::string ClockText(std::chrono::seconds time) {
  const long long seconds = std::max<long long>(time.count(), 0);
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char text[32];
  if (h > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  }
  return text;
}

std::string RemainingText(std::chrono::seconds time) { return "还需约 " + ClockText(time); }

std::optional<std::chrono::seconds> StageTimer::Report(MergeStage stage, int done, int total,
                                                       Clock::time_point now) {
  // The .doc files a converter still owes count apart from the records made before them.
  if (stage_ != stage || total != total_) {
    stage_ = stage;
    total_ = total;
    since_ = now;
    done_at_start_ = done;
  }
  const int paced = done - done_at_start_;
  if (paced <= 0 || done > total) return std::nullopt;
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - since_);
  const long long left_ms = spent.count() * (total - done) / paced;
  return std::chrono::seconds((left_ms + 999) / 1000);
}

}  // namespace vexlo::merge
