#include "ui/main/window_merge_observer.h"

#include <QCheckBox>
#include <QCoreApplication>

#include "app/host.h"
#include "app/shown_text.h"
#include "ui/mail/mail_command.h"
#include "ui/main/record_options.h"
#include "ui/main/w_msg.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {

WindowMergeObserver::WindowMergeObserver(w_vexlo& window, const merge::MergeRequest& request)
    : window_(window),
      display_(&window, window.context().host, window.context().progress, window.context().pages,
               window.context().template_reader, request) {}

WindowMergeObserver::~WindowMergeObserver() { ProgressClosed(); }

// Names and paths from files are shown with their control characters escaped.
void WindowMergeObserver::Message(std::string_view title, std::string_view text) {
  window_.context().host.MessageBox(title, app::EscapeControls(text));
}

void WindowMergeObserver::Focus(merge::MergeField field) { window_.FocusField(field); }

void WindowMergeObserver::PdfTurnedOff() { window_.cbx_4->setChecked(false); }

void WindowMergeObserver::RecordsChosen(const std::vector<int>& rows) { display_.RecordsChosen(rows); }

void WindowMergeObserver::ProgressOpened(std::string_view text, int total_records) {
  display_.Opened(text, total_records);
}

void WindowMergeObserver::Progress(int done, int total) { display_.Progress(done, total); }

void WindowMergeObserver::StageProgress(merge::MergeStage stage, int done, int total) {
  display_.StageProgress(stage, done, total);
}

bool WindowMergeObserver::ConfirmCheck(const merge::CheckFindings& findings) {
  display_.RowsLeftOut(findings.skipped);
  std::string text;
  for (const std::string& line : merge::FindingLines(findings)) text += line + "\n";
  return window_.context().host.AskYesNo("检查", app::EscapeControls(text) + "\n是否继续制作？");
}

bool WindowMergeObserver::ConfirmPrint(const merge::PrintPlan& plan) {
  return window_.context().host.AskYesNo("操作提示",
                              app::EscapeControls(merge::PrintPlanText(plan)) + "是否继续？");
}

void WindowMergeObserver::RecordDone(const merge::RecordResult& record) {
  display_.RecordDone(record);
}

void WindowMergeObserver::ProgressClosed() { display_.Closed(); }

// Also asked every few milliseconds while the run waits for its PDFs and prints: the windows are
// repainted meanwhile (the display pumps at most every few tens of milliseconds).
bool WindowMergeObserver::CancelRequested() { return display_.CancelRequested() || cancel_; }

void WindowMergeObserver::Finished(const merge::MergeSummary& summary) {
  display_.Finished(summary);
}

merge::MergeRequest RequestFromWindow(const w_vexlo& window) {
  merge::MergeRequest request = window.ReadInputs();
  request.current_folder = window.context().state.as_currentpath;
  request.clock = window.context().clock;
  request.deferred = window.context().deferred;
  // The password comes from the keyring only for a run, not whenever the inputs are read.
  if (request.mail) request.mail = MailSettingsForRun(window.context().mail_passwords);
  return request;
}

}  // namespace vexlo::ui
