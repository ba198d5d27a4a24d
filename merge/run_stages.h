// The stages a run goes through as the user follows it (documents, PDFs, printing), their names,
// and the estimate of the time a stage still needs, shared by the window and the terminal.
// Convention: cannot fail.
#ifndef VEXLO_MERGE_RUN_STAGES_H_
#define VEXLO_MERGE_RUN_STAGES_H_

#include <chrono>
#include <optional>
#include <string>

namespace vexlo::merge {

enum class MergeStage {
  kDocuments,  // records made into documents (and .doc files the converter writes)
  kPdfs,       // PDFs still being made once the documents are done
  kPrinting,   // print jobs handed to the printer
  kMailing,    // messages sent, once every file is complete
};

// "正在生成文档", "正在生成PDF", "正在打印", "正在发送邮件".
std::string StageName(MergeStage stage);
// "第 i 个，共 n 个" ("第 i 条，共 n 条" for records, "封" for messages); "共 n …" alone before
// the first.
std::string StageCountText(MergeStage stage, int current, int total);
// "m:ss", or "h:mm:ss" from an hour on; negative times read as 0.
std::string ClockText(std::chrono::seconds time);
// "还需约 m:ss".
std::string RemainingText(std::chrono::seconds time);

// Estimates the time a stage still needs from the pace of its pieces since the stage began (a
// new stage, or the same one with a new total); pieces done before it was first reported, like
// PDFs made while the documents were written, do not count towards the pace.
class StageTimer {
 public:
  using Clock = std::chrono::steady_clock;

  // `done` of `total` of `stage` at `now`; the time left once it can be told (a piece done since
  // the stage began), rounded up to whole seconds.
  std::optional<std::chrono::seconds> Report(MergeStage stage, int done, int total,
                                             Clock::time_point now);

 private:
  std::optional<MergeStage> stage_;
  Clock::time_point since_{};
  int done_at_start_ = 0;
  int total_ = 0;
};

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_RUN_STAGES_H_
