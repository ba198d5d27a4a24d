// A merge run's output: the records written and named, the merged document, the output work
// awaited, printing, and the end of a run that finished, was stopped or failed.
#include "merge/merge_session_steps.h"

namespace vexlo::merge::session {

void MergeSession::CloseProgress() {
  if (!progress_open_) return;
  progress_open_ = false;
  observer_.ProgressClosed();
}

std::string MergeSession::StemInUse(const std::string& stem, bool pdf,
                                    const std::string& taken_fallback) {
  const auto file = [&](const std::string& s) { return pdf ? namer_->Pdf(s) : namer_->Document(s); };
  if (!HeldByAnother(file(stem))) return stem;
  const std::string fallback = !taken_fallback.empty() && !HeldByAnother(file(taken_fallback))
                                   ? taken_fallback
                                   : namer_->Reserve(stem, app::Stamp14(request_.clock()), true);
  Say(kError, FallbackMessage(file(stem), file(fallback)));
  return fallback;
}

void MergeSession::PrepareMergedOutput() {
  const std::string stem = namer_->Reserve(kMergedName);
  const std::string document_stem = StemInUse(stem);
  merged_document_ = namer_->Document(document_stem);
  // The previous merged document stays as it is until the new one is complete.
  merged_temp_ = ls_path_ + std::string(kMergedTemp) + std::to_string(::getpid()) + filetype_;
  OutputDocument().call("saveas", {merged_temp_});
  merged_pdf_ = namer_->Pdf(
      StemInUse(stem, true, document_stem != stem ? document_stem : std::string()));
  summary_.merged = merged_document_;
}

void MergeSession::CheckVersion() {
  const double version =
      VersionNumber(office::ToText(wordserver_.get("application").get("version")));
  if (version < 12 && pdf_) {
    pdf_ = false;
    observer_.PdfTurnedOff();
  }
}

void MergeSession::RecordLoop() {
  const std::vector<std::string> titlenames = data_->TitleNames();
  for (std::size_t i = 0; i < plan_.records.size(); ++i) {
    const PlannedRecord& record = plan_.records[i];
    const int row = record.row;
    if (!request_.one_file && i > 0) NewRecordDocument(wordserver2_);
    RecordResult result;
    result.index = static_cast<int>(i) + 1;
    result.row = row;
    result.name = record.name;
    try {
      const std::string stem =
          request_.one_file ? "" : namer_->Reserve(SafeFileName(record.wanted_name));
      // One file for all has one set of headers, footers and notes: the first record's.
      const bool other_stories = fill_other_stories_ && (!request_.one_file || i == 0);
      FillRecord(
          wordserver_, wordserver2_, titlenames,
          [&](std::size_t k) { return data_->ReadFieldValue(static_cast<int>(k) + 1, row); },
          placeholders_, other_stories);
      if (request_.one_file) {
        result.document = merged_temp_;
        result.document_name = FileName(merged_document_);
        OutputDocument().call("save");
      } else {
        OutputRecord(stem, record, result);
        result.document_name = FileName(result.document);
      }
      flush_.Flush(false);
    } catch (const app::RuntimeError& e) {
      throw AtRecord(result, request_.one_file ? merged_document_ : result.document, e);
    }
    if (!request_.one_file) {
      records_.push_back(result);
      if (result.renamed) summary_.renamed.push_back(result);
    }
    observer_.RecordDone(result);
    observer_.Progress(result.index, total_);
    if (observer_.CancelRequested()) throw Cancelled{};
  }
}

app::RuntimeError MergeSession::AtRecord(const RecordResult& r, const std::string& file,
                                         const app::RuntimeError& e) {
  std::string text = "第 " + std::to_string(r.index) + " 条记录“" + r.name + "”";
  if (!file.empty() && e.text().find(file) == std::string::npos) {
    text += "（文件“" + file + "”）";
  }
  return app::RuntimeError::Output(text + "：" + e.text());
}

void MergeSession::OutputRecord(const std::string& wanted_stem, const PlannedRecord& record,
                                RecordResult& result) {
  const std::string stem = StemInUse(wanted_stem);
  result.document = namer_->Document(stem);
  result.renamed = stem != record.wanted_name;
  // Under a fallback name too the record is printed and exported, like every other record.
  OutputDocument().call("saveas", {result.document});
  if (request_.print) Print();
  if (pdf_) {
    result.pdf = namer_->Pdf(stem);
    const Value document = wordserver2_.get("activedocument");
    if (record.password.empty()) {
      document.call("exportasfixedformat", {result.pdf, kPdfFormat});
    } else {
      document.call("exportprotectedpdf", {result.pdf, record.password});
    }
    ++summary_.pdfs;
  }
  OutputDocument().call("close");
  ++summary_.documents;
}

void MergeSession::FinishMergedOutput() {
  if (request_.print) Print();
  if (pdf_) {
    wordserver2_.get("activedocument").call("exportasfixedformat", {merged_pdf_, kPdfFormat});
    ++summary_.pdfs;
  }
  OutputDocument().call("close");
  ++summary_.documents;
}

void MergeSession::FinishDeferredWork() {
  try {
    flush_.Flush(true, [this](office::WaitStage stage, int done, int total) {
      // A stage with nothing to do (no PDF asked) is not shown.
      if (total > 0) observer_.StageProgress(StageOf(stage), done, total);
      return observer_.CancelRequested();
    });
  } catch (const app::RuntimeError& e) {
    for (const RecordResult& r : records_) {
      for (const std::string& file : {r.document, r.pdf}) {
        if (!file.empty() && e.text().find(file) != std::string::npos) throw AtRecord(r, file, e);
      }
    }
    throw;
  }
  if (observer_.CancelRequested()) throw Cancelled{};
}

void MergeSession::PutMergedInPlace() {
  std::error_code ec;
  fs::rename(merged_temp_, merged_document_, ec);
  if (ec) {
    throw app::RuntimeError::File(merged_document_, "无法保存：" + ec.message());
  }
  merged_temp_.clear();
}

void MergeSession::RemoveMergedTemp() {
  if (merged_temp_.empty()) return;
  std::error_code ec;
  fs::remove(merged_temp_, ec);
  merged_temp_.clear();
}

MergeStage MergeSession::StageOf(office::WaitStage stage) {
  switch (stage) {
    case office::WaitStage::kDocuments: return MergeStage::kDocuments;
    case office::WaitStage::kPdfs: return MergeStage::kPdfs;
    case office::WaitStage::kPrints: return MergeStage::kPrinting;
  }
  return MergeStage::kDocuments;
}

void MergeSession::Print() {
  ++prints_asked_;
  const int li_page = CopiesValue(request_.copies_text);
  OutputDocument().call("printout",
                        {true, false, 0, "", "", "", 0, std::to_string(li_page)});
}

void MergeSession::ShutDown() {
  wordserver_.get("documents").call("item", {1}).call("close");
  wordserver_.get("application").call("quit");
  wordserver_.release();
  wordserver2_.get("application").call("quit");
  wordserver2_.release();
  excelserver_.get("application").call("quit");
  excelserver_.release();
  started_.clear();
}

void MergeSession::StopAfterCancel() {
  flush_.Cancel();
  ShutDownAfterFailure();
  flush_.Cancel();
  RemoveMergedTemp();
  summary_.outcome = MergeOutcome::kCancelled;
  summary_.merged.clear();
  summary_.print_jobs = flush_.PrintJobsSent();
  summary_.documents = summary_.pdfs = 0;
  for (const RecordResult& r : records_) {
    summary_.documents += WrittenByThisRun(r.document);
    summary_.pdfs += WrittenByThisRun(r.pdf);
  }
  if (request_.one_file) summary_.pdfs = WrittenByThisRun(merged_pdf_);
}

bool MergeSession::WrittenByThisRun(const std::string& path) const {
  if (path.empty()) return false;
  std::error_code ec;
  const fs::file_time_type written = fs::last_write_time(path, ec);
  return !ec && written >= started_at_ - std::chrono::seconds(2);
}

void MergeSession::ShutDownAfterFailure() {
  for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
    oleobject& instance = **it;
    try {
      instance.get("application").call("quit");
    } catch (...) {
    }
    instance.release();
  }
  started_.clear();
}

}  // namespace vexlo::merge::session
