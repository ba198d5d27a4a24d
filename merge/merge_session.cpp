// A merge run: the check before writing, the instances started, the order of the steps.
#include "merge/merge_session_steps.h"

namespace vexlo::merge::session {

MergeSummary MergeSession::Run() {
  if (CheckBeforeWriting()) {
    try {
      RunInstances();
    } catch (const Cancelled&) {
      StopAfterCancel();
    } catch (...) {
      // The instances quit first (their quit finishes the output already asked for), then
      // the helper processes that stay warm between runs end too.
      ShutDownAfterFailure();
      flush_.Cancel();
      RemoveMergedTemp();
      CloseProgress();
      throw;
    }
  }
  CloseProgress();
  observer_.Finished(summary_);
  return summary_;
}

bool MergeSession::CheckBeforeWriting() {
  if (mail_ && !mail_->RequestUsable()) return false;
  RunChecks checks(request_, observer_);
  if (!checks.Inputs(filetype_)) return false;
  if (request_.check_only) return true;  // nothing is written: the output side is not asked
  OutputPlace place;
  if (!checks.Output(filetype_, pdf_, place, lock_)) return false;
  ls_path_ = place.ls_path;
  folder_ = place.folder;
  return true;
}

void MergeSession::RunInstances() {
  if (excelserver_.start_new("excel.application") < 0) {
    Say(kError, "连接到Excel失败！");
    return;
  }
  started_.push_back(&excelserver_);
  if (!OpenData()) return;
  if (!ChooseSheet()) return;
  excelserver_.get("application").set("visible", request_.visible);

  data_ = std::make_unique<DataSource>(excelserver_, request_.as_shown);
  if (!ReadData()) return;

  for (oleobject* word : {&wordserver_, &wordserver2_}) {
    if (word->start_new("word.application") < 0) {
      Say(kError, "连接到Word失败！");
      ShutDownAfterFailure();
      return;
    }
    started_.push_back(word);
    word->get("application").set("visible", request_.visible);
  }

  if (!OpenTemplate() || !PlanTheRecords() || !CheckBeforeTheFirstDocument()) {
    ShutDownAfterFailure();
    return;
  }
  if (request_.check_only) {
    ShutDown();
    summary_.outcome = MergeOutcome::kChecked;
    return;
  }
  if (!ConfirmPrinting() || (mail_ && !mail_->Ready(ls_path_))) {
    ShutDownAfterFailure();
    return;
  }
  if (request_.choice.any()) {
    std::vector<int> rows;
    for (const PlannedRecord& record : plan_.records) rows.push_back(record.row);
    observer_.RecordsChosen(rows);
  }
  observer_.ProgressOpened(kProgressText, total_);
  progress_open_ = true;

  summary_.folder = folder_;
  namer_ = std::make_unique<OutputNamer>(
      ls_path_, filetype_, std::vector<std::string>{request_.data_path, request_.template_path});
  // Per record, the merged document's name stays reserved: a record named so gets
  // "合并输出 (2)" instead of replacing the merged document of an earlier run.
  if (!request_.one_file) namer_->Reserve(kMergedName);

  if (request_.one_file) {
    // Asked while the template document is the template instance's active one.
    if (std::optional<std::string> hint = PageAnchorHint(wordserver_)) {
      summary_.notes.push_back(*std::move(hint));
    }
    PrepareMergedOutput();
  }
  CheckVersion();
  RecordLoop();
  if (request_.one_file) FinishMergedOutput();
  FinishDeferredWork();
  if (request_.one_file) PutMergedInPlace();
  if (mail_) mail_->TakeRecords(records_, *data_);

  ShutDown();
  if (mail_) {
    summary_.mail = mail_->Send();
    if (summary_.mail->cancelled) throw Cancelled{};
  }
  summary_.print_jobs = prints_asked_;  // all sent: the flush fails otherwise
  // A run that made no document has not done what it was asked, whatever else went right.
  if (summary_.documents == 0) {
    Say(kError, "没有输出任何文档。");
    return;
  }
  summary_.outcome = MergeOutcome::kSucceeded;
}

bool MergeSession::ConfirmPrinting() {
  if (!request_.print || total_ == 0) return true;
  summary_.printer = flush_.Printer();
  summary_.copies = CopiesValue(request_.copies_text);
  const PrintPlan plan{summary_.printer, request_.one_file ? 1 : total_, summary_.copies};
  return observer_.ConfirmPrint(plan);
}

}  // namespace vexlo::merge::session

namespace vexlo::merge {

MergeSummary RunMergeSession(const MergeRequest& request, MergeObserver& observer,
                             const MergeHandles& handles) {
  return session::MergeSession(request, observer, handles).Run();
}

}  // namespace vexlo::merge
