// The merge job as a typed session: a MergeRequest in (the three paths, the copies text and the
// four options, as the window's controls or the CLI's options give them), a MergeObserver out
// (message boxes, focus hints, progress i of n, each record's result, the final summary), and a
// MergeSession that owns the three automation handles of its run and the one point where deferred
// output work (held saves, PDF export, printing) is flushed and checked.
// UI thread only. Data flows one way: the caller builds the request and watches the observer;
// nothing in merge/ or below calls back into the window or the CLI except through the observer.
// Convention: a failure is raised as app::RuntimeError, the program's error record (named after
// the record being made); a stop or rows left out are outcomes of the summary, not failures.
#ifndef VEXLO_MERGE_MERGE_SESSION_H_
#define VEXLO_MERGE_MERGE_SESSION_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/clock.h"
#include "delivery/mail_delivery.h"
#include "delivery/mail_settings.h"
#include "merge/pre_write_check.h"
#include "merge/record_choice.h"
#include "merge/run_stages.h"
#include "office/deferred_work.h"
#include "office/oleobject.h"

namespace vexlo::merge {

// What one run is asked to do. The paths are used as given (not trimmed).
struct MergeRequest {
  std::string data_path;      // sle_1: the data workbook (.xls/.xlsx)
  std::string template_path;  // sle_2: the template (.doc/.docx)
  std::string output_folder;  // sle_3: blank means current_folder
  std::string current_folder;  // the start-up folder (app::AppState::as_currentpath)
  std::string copies_text;    // em_1 as it stands; checked to be 1..50 when printing
  bool visible = false;       // cbx_3 可见生成过程
  bool print = false;         // cbx_2 输出后打印
  bool pdf = false;           // cbx_4 同时输出为PDF文件
  bool one_file = false;      // cbx_1 输出到同一个文件
  bool as_shown = false;      // 数值按表格格式: cells as the sheet shows them, not raw values
  bool check_only = false;    // only the check before writing: nothing is written
  // Which records are made and what their files are called (record_plan.h).
  RecordChoice choice;
  std::string name_pattern;  // "{工号}_{姓名}": names from titles ("": the record name)
  // Each record's PDF opens only with its value of this column ("": not protected), or with the
  // last `password_last` characters of it (0: all of it). Needs pdf; refused with one_file.
  std::string pdf_password_column;
  int password_last = 0;
  bool all_stories = false;   // 含页眉页脚: bare titles in headers, footers and notes are filled
                              // too (marked placeholders always are)
  std::string sheet;          // the data sheet: a name, else a 1-based number; "" the active one
  // E-mail each record's file once all are written (nullopt: no mail).
  std::optional<delivery::MailSettings> mail;
  // The time a name taken by another program is stamped with.
  app::Clock clock = app::SystemTime;
  // What the servers hold back to do in bulk, finished at the run's flush point (nullptr: servers
  // that do their work at once). Not owned; outlives the run.
  office::DeferredWork* deferred = nullptr;
};

// The fields a message may send the user back to.
enum class MergeField { kData, kTemplate, kOutput, kCopies, kPrint, kPdf, kSheet };

// The result of one record, reported as soon as its files are complete and checked.
struct RecordResult {
  int index = 0;             // 1-based record number (row - 1)
  int row = 0;               // the sheet row
  std::string name;          // the record name as read (first column)
  std::string document;      // the file written for it (one file: the one being built)
  std::string pdf;           // its PDF ("" when none)
  bool renamed = false;      // the file name differs from the record's text (cleaned, made unique
                             // or a fallback name)
  std::string document_name;  // the document's name as the user finds it ("合并输出.docx" for one
                              // file, not the hidden name it is built under)
};

// How a run ended.
enum class MergeOutcome {
  kSucceeded,  // every expected file was written and checked
  kStopped,    // a message ended the run before or while writing (nothing claimed as done)
  kCancelled,  // the user or a signal stopped it after a record; finished files stay
  kChecked,    // a check-only run ended after its check (summary.findings), writing nothing
};

// The summary the final message is made from.
struct MergeSummary {
  MergeOutcome outcome = MergeOutcome::kStopped;
  int documents = 0;                 // documents written (cancelled: those that exist)
  int pdfs = 0;                      // PDFs written (cancelled: those that exist)
  int print_jobs = 0;                // print jobs sent to the printer
  std::string printer;               // where they went
  int copies = 0;                    // copies per print job (0: printing was not asked)
  std::string folder;                // where they were written
  std::vector<RecordResult> renamed;  // records whose file name differs from their text
  std::vector<std::string> notes;    // extra lines for the final message (e.g. layout hints)
  std::string merged;                // one-file mode: the merged document ("" otherwise)
  CheckFindings findings;            // what the check before writing found
  // A value of the first record that the sheet shows otherwise (runs without as_shown).
  std::optional<DataSource::ShownDifference> shown_difference;
  std::optional<delivery::DeliveryReport> mail;  // the messages, when mail was asked and sent
};

// What a run will print, told before the first print job.
struct PrintPlan {
  std::string printer;
  int documents = 0;
  int copies = 0;
};
// "将在打印机“X”上打印 N 个文档，每个 M 份，共 K 份。"
std::string PrintPlanText(const PrintPlan& plan);

class MergeObserver {
 public:
  virtual ~MergeObserver() = default;

  // A modal message box (title "操作提示" or "错误提示"); returns when the user has read it.
  virtual void Message(std::string_view title, std::string_view text) = 0;
  // Sends the user back to a field (focus move after a message).
  virtual void Focus(MergeField) {}
  // The word processor cannot export PDF: the PDF option is turned off for good.
  virtual void PdfTurnedOff() {}
  // When a choice keeps only some records: the sheet rows of those the run will make, in the
  // order it makes them (called before ProgressOpened).
  virtual void RecordsChosen(const std::vector<int>& /*rows*/) {}
  // The progress window: opened once the instances run, closed before the final message.
  virtual void ProgressOpened(std::string_view /*text*/, int /*total_records*/) {}
  // Records: `done` of `total` made (the documents stage).
  virtual void Progress(int /*done*/, int /*total*/) {}
  // While the run waits for its output at the end: `done` of `total` of `stage` (documents the
  // converter writes, PDFs made, print jobs sent).
  virtual void StageProgress(MergeStage /*stage*/, int /*done*/, int /*total*/) {}
  // The check before writing found something (never called when it found nothing): the user
  // reads it and goes on (true) or stops the run (false) before anything is written.
  virtual bool ConfirmCheck(const CheckFindings&) { return true; }
  // Before the first print job, with what will be printed; false ends the run before anything
  // is written.
  virtual bool ConfirmPrint(const PrintPlan&) { return true; }
  virtual void ProgressClosed() {}
  // One record is finished.
  virtual void RecordDone(const RecordResult&) {}
  // Polled between records (and while waiting for output work): true stops the run after the
  // current record.
  virtual bool CancelRequested() { return false; }
  // The run ended; called once, after the progress window closed and before the run returns (not
  // when a run-time error is raised). A run that got through is announced here, with
  // FinalMessageOf(summary).
  virtual void Finished(const MergeSummary&) {}
};

// The message that ends a run that got through (title "操作提示"): the headline, and the lines
// shown below it (how many documents were written and where, the records whose file name differs
// from their text). Empty for a run that a message already ended.
struct FinalMessage {
  std::string headline;
  std::vector<std::string> details;
};
// `as_shown_how` names the way to choose values as shown where the user is.
inline constexpr std::string_view kAsShownCheckBox = "勾选“数值按表格格式”";
FinalMessage FinalMessageOf(const MergeSummary& summary,
                            std::string_view as_shown_how = kAsShownCheckBox);

// The window's three automation objects, reused by every run; a null one is created.
struct MergeHandles {
  std::unique_ptr<office::oleobject>& excelserver;
  std::unique_ptr<office::oleobject>& wordserver;
  std::unique_ptr<office::oleobject>& wordserver2;
};

// Runs one whole merge synchronously and returns how it ended. A real fault (not a user's
// mistake) raises app::RuntimeError after the run's instances were shut down and its partial
// files removed.
MergeSummary RunMergeSession(const MergeRequest& request, MergeObserver& observer,
                             const MergeHandles& handles);

}  // namespace vexlo::merge

#endif  // VEXLO_MERGE_MERGE_SESSION_H_
