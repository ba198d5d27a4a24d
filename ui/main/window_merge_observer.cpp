#include "ui/main/window_merge_observer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "app/host.h"
#include "app/shown_text.h"
#include "ui/mail/mail_command.h"
#include "ui/main/record_options.h"
#include "ui/main/w_msg.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {

WindowMergeObserver::WindowMergeObserver(w_vexlo& window, const merge::MergeRequest& request)
    : window_(window), display_(&window, request) {}

WindowMergeObserver::~WindowMergeObserver() { ProgressClosed(); }

// Names and paths from files are shown with their control characters escaped.
void WindowMergeObserver::Message(std::string_view title, std::string_view text) {
  app::host().MessageBox(title, app::EscapeControls(text));
}

void WindowMergeObserver::Focus(merge::MergeField field) {
  QWidget* target = nullptr;
  switch (field) {
    case merge::MergeField::kData: target = window_.sle_1; break;
    case merge::MergeField::kTemplate: target = window_.sle_2; break;
    case merge::MergeField::kOutput: target = window_.sle_3; break;
    case merge::MergeField::kCopies: target = window_.em_1; break;
    case merge::MergeField::kPrint: target = window_.cbx_2; break;
    case merge::MergeField::kPdf: target = window_.cbx_4; break;
    case merge::MergeField::kSheet: target = window_.ddlb_1; break;
  }
  if (target != nullptr) target->setFocus(Qt::OtherFocusReason);
}

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
  return app::host().AskYesNo("检查", app::EscapeControls(text) + "\n是否继续制作？");
}

bool WindowMergeObserver::ConfirmPrint(const merge::PrintPlan& plan) {
  return app::host().AskYesNo("操作提示",
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
  merge::MergeRequest request;
  request.data_path = window.sle_1->text().toStdString();
  request.template_path = window.sle_2->text().toStdString();
  request.output_folder = window.sle_3->text().toStdString();
  request.copies_text = window.em_1->text().toStdString();
  request.visible = window.cbx_3->isChecked();
  request.print = window.cbx_2->isChecked();
  request.pdf = window.cbx_4->isChecked();
  request.one_file = window.cbx_1->isChecked();
  request.as_shown = window.cbx_5->isChecked();
  request.all_stories = window.cbx_6->isChecked();
  if (window.ddlb_1->isEnabled()) request.sheet = window.ddlb_1->currentText().toStdString();
  window.record_options->Apply(request);
  if (window.cbx_7->isChecked()) request.mail = MailSettingsForRun();
  return request;
}

}  // namespace vexlo::ui
