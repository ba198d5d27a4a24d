#include "merge/merge_session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/runtime_error.h"
#include "merge/blank.h"
#include "merge/data_hints.h"
#include "merge/data_source.h"
#include "merge/document_generation.h"
#include "merge/folder_lock.h"
#include "merge/layout_hint.h"
#include "merge/mail_stage.h"
#include "merge/output_naming.h"
#include "merge/pre_write_check.h"
#include "merge/placeholders.h"
#include "merge/record_plan.h"
#include "merge/run_checks.h"
#include "merge/sheet_choice.h"
#include "office/deferred_work.h"
#include "office/value.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;
using office::oleobject;
using office::Value;

constexpr const char* kGuidance = "操作提示";
constexpr const char* kError = "错误提示";
constexpr const char* kProgressText = "正在输出，可能需要较长时间，请稍候……";
constexpr const char* kMergedName = "合并输出";
// The merged document is built under this hidden name beside its final one (then the process id
// and the extension), and renamed once complete. The embedded word server lists a file of this
// form among the files its process made, so that one left by a killed run goes with that run.
constexpr std::string_view kMergedTemp = ".vexlo-merge-";
constexpr int32_t kPdfFormat = 17;
// The version text read as a real number; blank or no number reads as 0.
double VersionNumber(const std::optional<std::string>& text) {
  if (IsBlank(text)) return 0;
  return std::strtod(text->c_str(), nullptr);
}

oleobject& Ensure(std::unique_ptr<oleobject>& handle) {
  if (!handle) handle = std::make_unique<oleobject>();
  return *handle;
}

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// Thrown inside the run when the observer asks it to stop.
struct Cancelled {};

class MergeSession {
 public:
  MergeSession(const MergeRequest& request, MergeObserver& observer, const MergeHandles& handles)
      : request_(request),
        observer_(observer),
        excelserver_(Ensure(handles.excelserver)),
        wordserver_(Ensure(handles.wordserver)),
        wordserver2_(Ensure(handles.wordserver2)),
        pdf_(request.pdf || (request.mail && request.mail->attach == delivery::Attachment::kPdf)) {
    if (request.mail) mail_ = std::make_unique<MailStage>(request, observer);
  }

  MergeSummary Run() {
    if (CheckBeforeWriting()) {
      try {
        RunInstances();
      } catch (const Cancelled&) {
        StopAfterCancel();
      } catch (...) {
        // The instances quit first (their quit finishes the output already asked for), then
        // the helper processes that stay warm between runs end too.
        ShutDownAfterFailure();
        office::CancelDeferredWork();
        RemoveMergedTemp();
        CloseProgress();
        throw;
      }
    }
    CloseProgress();
    observer_.Finished(summary_);
    return summary_;
  }

 private:
  void Say(const char* title, const std::string& text) { observer_.Message(title, text); }
  void Refuse(const char* title, const std::string& text, MergeField field) {
    Say(title, text);
    observer_.Focus(field);
  }

  // What can be known before the first file is written (see run_checks.h).
  bool CheckBeforeWriting() {
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

  // Starts the instances, reads the titles, generates and outputs every record, shuts down.
  void RunInstances() {
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

  // Printing is told (the window asks) before anything is written; the printer is the one the
  // jobs will go to.
  bool ConfirmPrinting() {
    if (!request_.print || total_ == 0) return true;
    summary_.printer = office::OutputPrinter();
    summary_.copies = CopiesValue(request_.copies_text);
    const PrintPlan plan{summary_.printer, request_.one_file ? 1 : total_, summary_.copies};
    return observer_.ConfirmPrint(plan);
  }

  // Runs `open` on a file the user chose. One that is not of the kind wanted (a PDF, a picture,
  // a damaged or protected file) is the user's choice to mend: a message with `advice` sending
  // the user back to `field`, not a run-time error.
  bool OpenedUsersFile(const std::function<void()>& open, const char* advice, MergeField field) {
    try {
      open();
      return true;
    } catch (const app::RuntimeError& e) {
      if (e.number() != app::kErrFileFormat) throw;
      Refuse(kError, e.text() + "。\n" + advice, field);
      return false;
    }
  }

  bool OpenData() {
    const bool opened = OpenedUsersFile(
        [&] { excelserver_.get("application").get("workbooks").call("open", {request_.data_path}); },
        "请选择Excel工作簿（.xls、.xlsx）或CSV文件（.csv），或在表格软件中把它另存为.xlsx后再试。",
        MergeField::kData);
    if (!opened) QuitSpreadsheet();
    return opened;
  }

  void QuitSpreadsheet() {
    excelserver_.get("application").call("quit");
    excelserver_.release();
    started_.clear();
  }

  // Makes the sheet the request names the active one; a name that matches no sheet is told,
  // with the sheets there are.
  bool ChooseSheet() {
    if (IsBlank(request_.sheet) || ActivateWanted(excelserver_, request_.sheet, sheets_)) return true;
    Refuse(kError, UnknownSheetText(request_.data_path, request_.sheet, sheets_), MergeField::kSheet);
    QuitSpreadsheet();
    return false;
  }

  // Reads the titles and counts the records. A sheet without records ends the run with a
  // message before anything is written: one naming the sheet that has them when another does,
  // as when the workbook was saved with its notes sheet in front. So does a workbook whose
  // formulas need calculating that cannot be.
  bool ReadData() {
    int titles = 0;
    try {
      titles = data_->ReadTitles();
      total_ = titles > 0 ? data_->CountRecords() : 0;
    } catch (const app::RuntimeError& e) {
      if (e.number() != app::kErrFileFormat) throw;
      Refuse(kError, e.text() + "。", MergeField::kData);
      QuitSpreadsheet();
      return false;
    }
    if (total_ > 0) return true;
    if (sheets_.names.empty()) {
      try {
        sheets_ = ListSheets(excelserver_);
      } catch (const app::RuntimeError&) {
        // A spreadsheet that cannot list its sheets: only the sheet used is spoken of.
      }
    }
    const std::optional<SheetRecords> other = OtherSheetWithRecords(excelserver_, sheets_, sheets_.active);
    if (!other && titles < 1) {
      Say(kGuidance, "没有获取到任何标题数据！");
    } else {
      Refuse(kGuidance, NoRecordsText(sheets_, other), other ? MergeField::kSheet : MergeField::kData);
    }
    QuitSpreadsheet();
    return false;
  }

  // Makes the documents from the template; a template that is no document the word processor
  // reads is told like a data file that is no workbook.
  bool OpenTemplate() {
    return OpenedUsersFile(
        [&] { PrepareDocuments(wordserver_, wordserver2_, request_.template_path); },
        "请选择Word文档（.doc、.docx）作为模板，或在文字处理软件中把它另存为.docx后再试。",
        MergeField::kTemplate);
  }

  // Once, before the first copy of the template is taken: how the template marks its titles,
  // its merge fields turned into marked text, and the names that match no column told.
  void ReadTemplatePlaceholders() {
    placeholders_ = ReadPlaceholders(wordserver_, data_->TitleNames());
    PrepareTemplate(wordserver_, placeholders_);
    // Bare title text outside the main text may be a label there (a header saying 姓名): it is
    // filled only when asked; a marked placeholder is always meant to be.
    fill_other_stories_ = placeholders_.in_other_stories &&
                          (placeholders_.mode != PlaceholderMode::kPlain || request_.all_stories);
    if (request_.one_file && fill_other_stories_) {
      // One document holds every record but has one set of headers, footers and notes.
      summary_.notes.push_back(
          "提示：所有记录输出到同一个文件时，页眉、页脚和脚注中的标题按第一条记录填写。");
    }
  }

  // What the run finds before writing (pre_write_check.h), asked while the template document is
  // the template instance's active one. The user reads it and may stop the run there; what it
  // found is said again in the final message. False: the user stopped.
  bool CheckBeforeTheFirstDocument() {
    ReadTemplatePlaceholders();
    summary_.findings = CheckTemplateAndData(wordserver_, *data_, records_in_sheet_, placeholders_);
    summary_.findings.chosen = plan_.chosen;
    CheckFindings& findings = summary_.findings;
    if (placeholders_.in_other_stories && !fill_other_stories_) {
      findings.other.push_back(
          "页眉、页脚或脚注中也写有列标题，它们按原样保留；如需一并替换，请选择“含页眉页脚”。");
    }
    if (auto loss = ConversionLossFinding(wordserver_)) findings.other.push_back(*std::move(loss));
    if (mail_ && !mail_->ReadAddresses(*data_, total_, findings)) return false;

    if (auto note = MissingTitlesNote(findings.unused_titles)) summary_.notes.push_back(*note);
    if (auto note = UnmatchedPlaceholdersNote(placeholders_.unmatched)) {
      summary_.notes.push_back(*std::move(note));
    }
    for (const std::string& line : SkippedLines(findings.skipped)) summary_.notes.push_back(line);
    if (!plan_.chosen.empty()) summary_.notes.push_back(plan_.chosen);
    if (!request_.as_shown && total_ > 0) {
      summary_.shown_difference = data_->FirstShownDifference(plan_.records.front().row);
    }
    return (findings.empty() && findings.chosen.empty()) || request_.check_only ||
           observer_.ConfirmCheck(findings);
  }

  // The records to make, their names and passwords, before anything is written; a refusal
  // (a column that is not there, no record chosen, a missing password) ends the run here.
  bool PlanTheRecords() {
    records_in_sheet_ = total_;
    plan_ = PlanRecords(*data_, records_in_sheet_, request_);
    total_ = static_cast<int>(plan_.records.size());
    if (plan_.refusal.empty()) return true;
    Refuse(kError, plan_.refusal, plan_.field);
    return false;
  }

  void CloseProgress() {
    if (!progress_open_) return;
    progress_open_ = false;
    observer_.ProgressClosed();
  }

  Value OutputDocument() { return wordserver2_.get("documents").call("item", {1}); }

  // `stem`, or, when its document (or its PDF, for `pdf`) is held by another program, a fallback
  // stem with the time stamp, which the user is told about. `taken_fallback` is a fallback stem
  // already given to the same output's other file, used again when it is free.
  std::string StemInUse(const std::string& stem, bool pdf = false,
                        const std::string& taken_fallback = {}) {
    const auto file = [&](const std::string& s) { return pdf ? namer_->Pdf(s) : namer_->Document(s); };
    if (!HeldByAnother(file(stem))) return stem;
    const std::string fallback = !taken_fallback.empty() && !HeldByAnother(file(taken_fallback))
                                     ? taken_fallback
                                     : namer_->Reserve(stem, FallbackStamp(), true);
    Say(kError, FallbackMessage(file(stem), file(fallback)));
    return fallback;
  }

  void PrepareMergedOutput() {
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

  void CheckVersion() {
    const double version =
        VersionNumber(office::ToText(wordserver_.get("application").get("version")));
    if (version < 12 && pdf_) {
      pdf_ = false;
      observer_.PdfTurnedOff();
    }
  }

  void RecordLoop() {
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
        office::FlushDeferredWork(false);
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

  // The error `e` of record `r`, told with the record and its file.
  static app::RuntimeError AtRecord(const RecordResult& r, const std::string& file,
                                    const app::RuntimeError& e) {
    std::string text = "第 " + std::to_string(r.index) + " 条记录“" + r.name + "”";
    if (!file.empty() && e.text().find(file) == std::string::npos) {
      text += "（文件“" + file + "”）";
    }
    return app::RuntimeError::Output(text + "：" + e.text());
  }

  void OutputRecord(const std::string& wanted_stem, const PlannedRecord& record, RecordResult& result) {
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

  void FinishMergedOutput() {
    if (request_.print) Print();
    if (pdf_) {
      wordserver2_.get("activedocument").call("exportasfixedformat", {merged_pdf_, kPdfFormat});
      ++summary_.pdfs;
    }
    OutputDocument().call("close");
    ++summary_.documents;
  }

  // Waits for the output work still queued (conversions, PDFs, prints). A failure is told with
  // the record whose file it names.
  void FinishDeferredWork() {
    try {
      office::FlushDeferredWork(true, [this](office::WaitStage stage, int done, int total) {
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

  void PutMergedInPlace() {
    std::error_code ec;
    fs::rename(merged_temp_, merged_document_, ec);
    if (ec) {
      throw app::RuntimeError::File(merged_document_, "无法保存：" + ec.message());
    }
    merged_temp_.clear();
  }

  void RemoveMergedTemp() {
    if (merged_temp_.empty()) return;
    std::error_code ec;
    fs::remove(merged_temp_, ec);
    merged_temp_.clear();
  }

  static MergeStage StageOf(office::WaitStage stage) {
    switch (stage) {
      case office::WaitStage::kDocuments: return MergeStage::kDocuments;
      case office::WaitStage::kPdfs: return MergeStage::kPdfs;
      case office::WaitStage::kPrints: return MergeStage::kPrinting;
    }
    return MergeStage::kDocuments;
  }

  void Print() {
    ++prints_asked_;
    const int li_page = CopiesValue(request_.copies_text);
    OutputDocument().call("printout",
                          {true, false, 0, "", "", "", 0, std::to_string(li_page)});
  }

  void ShutDown() {
    wordserver_.get("documents").call("item", {1}).call("close");
    wordserver_.get("application").call("quit");
    wordserver_.release();
    wordserver2_.get("application").call("quit");
    wordserver2_.release();
    excelserver_.get("application").call("quit");
    excelserver_.release();
    started_.clear();
  }

  // Stops a cancelled run: queued output work and its helper processes end first, then the
  // instances; the unfinished merged document goes, the finished per-record documents stay.
  // The summary then counts what exists: documents and PDFs that this run wrote (those still
  // queued were dropped) and the print jobs that were sent.
  void StopAfterCancel() {
    office::CancelDeferredWork();
    ShutDownAfterFailure();
    office::CancelDeferredWork();
    RemoveMergedTemp();
    summary_.outcome = MergeOutcome::kCancelled;
    summary_.merged.clear();
    summary_.print_jobs = office::PrintJobsSent();
    summary_.documents = summary_.pdfs = 0;
    for (const RecordResult& r : records_) {
      summary_.documents += WrittenByThisRun(r.document);
      summary_.pdfs += WrittenByThisRun(r.pdf);
    }
    if (request_.one_file) summary_.pdfs = WrittenByThisRun(merged_pdf_);
  }

  // A file at `path` that this run wrote: one left by an earlier run under the same name is
  // older than the run (file times may be stored to the second, or two on some file systems).
  bool WrittenByThisRun(const std::string& path) const {
    if (path.empty()) return false;
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(path, ec);
    return !ec && written >= started_at_ - std::chrono::seconds(2);
  }

  // Quits and releases the instances this run started, word processors first, so that no engine
  // instance or converter is left behind. What was saved stays on disk; failures here are
  // swallowed because the caller is already on its way out with a message or an error.
  void ShutDownAfterFailure() {
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

  const MergeRequest& request_;
  MergeObserver& observer_;
  oleobject& excelserver_;
  oleobject& wordserver_;
  oleobject& wordserver2_;
  std::vector<oleobject*> started_;  // in start order

  bool pdf_;  // PDF output asked for and possible
  std::string filetype_;
  std::string ls_path_;
  std::string folder_;
  FolderLock lock_;
  std::unique_ptr<OutputNamer> namer_;
  std::string merged_document_;
  std::string merged_pdf_;
  std::string merged_temp_;  // the merged document while it is built ("" once in place)
  std::unique_ptr<DataSource> data_;
  SheetList sheets_;  // the workbook's sheets, once they were asked for
  TemplatePlaceholders placeholders_;
  bool fill_other_stories_ = false;  // headers, footers and notes are filled per record
  RecordPlan plan_;
  int records_in_sheet_ = 0;
  int total_ = 0;  // records to make
  std::unique_ptr<MailStage> mail_;  // e-mailing the records' files (null: not asked)
  bool progress_open_ = false;
  std::vector<RecordResult> records_;  // per-record mode: the records output so far
  MergeSummary summary_;
  int prints_asked_ = 0;
  const fs::file_time_type started_at_ = fs::file_time_type::clock::now();
};

}  // namespace

MergeSummary RunMergeSession(const MergeRequest& request, MergeObserver& observer,
                             const MergeHandles& handles) {
  return MergeSession(request, observer, handles).Run();
}

}  // namespace vexlo::merge
