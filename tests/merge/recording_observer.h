// RecordingObserver: watches a merge run in the tests. Records what the user would see as lines of
// text ("box 标题|正文", "check 一行", "focus sle_1", "pdf off", "progress 文本", "progress closed",
// "final 标题行", its detail lines apart; the stages of the wait at the end and the print plans
// asked about apart too), keeps each record's result and the summary, and asks the
// run to stop once a given number of records is done.
#ifndef VEXLO_TESTS_MERGE_RECORDING_OBSERVER_H_
#define VEXLO_TESTS_MERGE_RECORDING_OBSERVER_H_

#include <string>
#include <vector>

#include "merge/merge_session.h"

namespace vexlo::test {

class RecordingObserver : public merge::MergeObserver {
 public:
  std::vector<std::string> log;
  std::vector<merge::RecordResult> records;
  merge::MergeSummary summary;
  std::vector<std::string> details;  // the lines below the final message
  int progress_calls = 0;
  int total_records = -1;
  int cancel_after = -1;  // records done before CancelRequested answers true; -1 = never
  bool print_answer = true;  // the answer to ConfirmPrint
  bool check_answer = true;  // the answer to ConfirmCheck
  std::vector<std::string> stages;       // "正在生成PDF 1/2"
  std::vector<std::string> print_plans;  // the texts ConfirmPrint was asked with

  // The lines that start with `prefix`.
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  // Only the "box ..." and "final ..." lines.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> boxes;
    for (const std::string& line : log) {
      if (line.rfind("box ", 0) == 0 || line.rfind("final ", 0) == 0) boxes.push_back(line);
    }
    return boxes;
  }

  void Message(std::string_view title, std::string_view text) override {
    log.push_back("box " + std::string(title) + "|" + std::string(text));
  }
  void Focus(merge::MergeField field) override {
    static const char* kNames[] = {"sle_1", "sle_2", "sle_3", "em_1", "cbx_2", "cbx_4", "ddlb_1"};
    log.push_back(std::string("focus ") + kNames[static_cast<int>(field)]);
  }
  void PdfTurnedOff() override { log.push_back("pdf off"); }
  void ProgressOpened(std::string_view text, int total) override {
    total_records = total;
    log.push_back("progress " + std::string(text));
  }
  void Progress(int, int) override { ++progress_calls; }
  void StageProgress(merge::MergeStage stage, int done, int total) override {
    stages.push_back(merge::StageName(stage) + " " + std::to_string(done) + "/" +
                     std::to_string(total));
  }
  bool ConfirmCheck(const merge::CheckFindings& findings) override {
    for (const std::string& line : merge::FindingLines(findings)) log.push_back("check " + line);
    return check_answer;
  }
  bool ConfirmPrint(const merge::PrintPlan& plan) override {
    print_plans.push_back(merge::PrintPlanText(plan));
    return print_answer;
  }
  void ProgressClosed() override { log.push_back("progress closed"); }
  void RecordDone(const merge::RecordResult& result) override { records.push_back(result); }
  bool CancelRequested() override {
    return cancel_after >= 0 && static_cast<int>(records.size()) >= cancel_after;
  }
  void Finished(const merge::MergeSummary& s) override {
    summary = s;
    const merge::FinalMessage message = merge::FinalMessageOf(s);
    if (message.headline.empty()) return;
    log.push_back("final " + message.headline);
    details = message.details;
  }
};

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_MERGE_RECORDING_OBSERVER_H_
