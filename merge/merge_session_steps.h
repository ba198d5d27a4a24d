// The steps of one merge run (merge_session.h), as one object whose parts live in files of one
// job each: merge_session.cpp starts the run and its instances, merge_session_inputs.cpp opens
// and reads the data and the template and plans the records, merge_session_output.cpp writes
// the records and finishes, prints or stops the run. Private to merge/. UI thread only.
#ifndef VEXLO_MERGE_MERGE_SESSION_STEPS_H_
#define VEXLO_MERGE_MERGE_SESSION_STEPS_H_

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "merge/blank.h"
#include "merge/data_hints.h"
#include "merge/data_source.h"
#include "merge/document_generation.h"
#include "merge/folder_lock.h"
#include "merge/layout_hint.h"
#include "merge/mail_stage.h"
#include "merge/merge_session.h"
#include "merge/output_naming.h"
#include "merge/pre_write_check.h"
#include "merge/placeholders.h"
#include "merge/record_plan.h"
#include "merge/run_checks.h"
#include "merge/sheet_choice.h"
#include "office/deferred_work.h"
#include "office/value.h"

namespace vexlo::merge::session {

namespace fs = std::filesystem;
using office::oleobject;
using office::Value;

inline constexpr const char* kGuidance = "操作提示";
inline constexpr const char* kError = "错误提示";
inline constexpr const char* kProgressText = "正在输出，可能需要较长时间，请稍候……";
inline constexpr const char* kMergedName = "合并输出";
// The merged document is built under this hidden name beside its final one (then the process id
// and the extension), and renamed once complete. The embedded word server lists a file of this
// form among the files its process made, so that one left by a killed run goes with that run.
inline constexpr std::string_view kMergedTemp = ".vexlo-merge-";
inline constexpr int32_t kPdfFormat = 17;
// The version text read as a real number; blank or no number reads as 0.
inline double VersionNumber(const std::optional<std::string>& text) {
  if (IsBlank(text)) return 0;
  return std::strtod(text->c_str(), nullptr);
}

inline oleobject& Ensure(std::unique_ptr<oleobject>& handle) {
  if (!handle) handle = std::make_unique<oleobject>();
  return *handle;
}

inline std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// Thrown inside the run when the observer asks it to stop.
struct Cancelled {};

class MergeSession {
 public:
  MergeSession(const MergeRequest& request, MergeObserver& observer, const MergeHandles& handles)
      : request_(request),
        observer_(observer),
        flush_(request.deferred),
        excelserver_(Ensure(handles.excelserver)),
        wordserver_(Ensure(handles.wordserver)),
        wordserver2_(Ensure(handles.wordserver2)),
        pdf_(request.pdf || (request.mail && request.mail->attach == delivery::Attachment::kPdf)) {
    if (request.mail) mail_ = std::make_unique<MailStage>(request, observer);
  }

  MergeSummary Run();

 private:
  void Say(const char* title, const std::string& text) { observer_.Message(title, text); }
  void Refuse(const char* title, const std::string& text, MergeField field) {
    Say(title, text);
    observer_.Focus(field);
  }

  // What can be known before the first file is written (see run_checks.h).
  bool CheckBeforeWriting();

  // Starts the instances, reads the titles, generates and outputs every record, shuts down.
  void RunInstances();

  // Printing is told (the window asks) before anything is written; the printer is the one the
  // jobs will go to.
  bool ConfirmPrinting();

  // Runs `open` on a file the user chose. One that is not of the kind wanted (a PDF, a picture,
  // a damaged or protected file) is the user's choice to mend: a message with `advice` sending
  // the user back to `field`, not a run-time error.
  bool OpenedUsersFile(const std::function<void()>& open, const char* advice, MergeField field);

  bool OpenData();

  void QuitSpreadsheet();

  // Makes the sheet the request names the active one; a name that matches no sheet is told,
  // with the sheets there are.
  bool ChooseSheet();

  // Reads the titles and counts the records. A sheet without records ends the run with a
  // message before anything is written: one naming the sheet that has them when another does,
  // as when the workbook was saved with its notes sheet in front. So does a workbook whose
  // formulas need calculating that cannot be.
  bool ReadData();

  // Makes the documents from the template; a template that is no document the word processor
  // reads is told like a data file that is no workbook.
  bool OpenTemplate();

  // Once, before the first copy of the template is taken: how the template marks its titles,
  // its merge fields turned into marked text, and the names that match no column told.
  void ReadTemplatePlaceholders();

  // What the run finds before writing (pre_write_check.h), asked while the template document is
  // the template instance's active one. The user reads it and may stop the run there; what it
  // found is said again in the final message. False: the user stopped.
  bool CheckBeforeTheFirstDocument();

  // The records to make, their names and passwords, before anything is written; a refusal
  // (a column that is not there, no record chosen, a missing password) ends the run here.
  bool PlanTheRecords();

  void CloseProgress();

  Value OutputDocument() { return wordserver2_.get("documents").call("item", {1}); }

  // `stem`, or, when its document (or its PDF, for `pdf`) is held by another program, a fallback
  // stem with the time stamp, which the user is told about. `taken_fallback` is a fallback stem
  // already given to the same output's other file, used again when it is free.
  std::string StemInUse(const std::string& stem, bool pdf = false,
                        const std::string& taken_fallback = {});

  void PrepareMergedOutput();

  void CheckVersion();

  void RecordLoop();

  // The error `e` of record `r`, told with the record and its file.
  static app::RuntimeError AtRecord(const RecordResult& r, const std::string& file,
                                    const app::RuntimeError& e);

  void OutputRecord(const std::string& wanted_stem, const PlannedRecord& record, RecordResult& result);

  void FinishMergedOutput();

  // Waits for the output work still queued (conversions, PDFs, prints). A failure is told with
  // the record whose file it names.
  void FinishDeferredWork();

  void PutMergedInPlace();

  void RemoveMergedTemp();

  static MergeStage StageOf(office::WaitStage stage);

  void Print();

  void ShutDown();

  // Stops a cancelled run: queued output work and its helper processes end first, then the
  // instances; the unfinished merged document goes, the finished per-record documents stay.
  // The summary then counts what exists: documents and PDFs that this run wrote (those still
  // queued were dropped) and the print jobs that were sent.
  void StopAfterCancel();

  // A file at `path` that this run wrote: one left by an earlier run under the same name is
  // older than the run (file times may be stored to the second, or two on some file systems).
  bool WrittenByThisRun(const std::string& path) const;

  // Quits and releases the instances this run started, word processors first, so that no engine
  // instance or converter is left behind. What was saved stays on disk; failures here are
  // swallowed because the caller is already on its way out with a message or an error.
  void ShutDownAfterFailure();

  const MergeRequest& request_;
  MergeObserver& observer_;
  const office::FlushPoint flush_;  // the one point where the servers' held-back work is done
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

}  // namespace vexlo::merge::session

#endif  // VEXLO_MERGE_MERGE_SESSION_STEPS_H_
