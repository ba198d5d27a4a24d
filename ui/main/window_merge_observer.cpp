#include "ui/main/window_merge_observer.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "app/host.h"
#include "app/shown_text.h"
#include "ui/main/w_msg.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {

WindowMergeObserver::WindowMergeObserver(w_vexlo& window) : window_(window) {}

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
  }
  if (target != nullptr) target->setFocus(Qt::OtherFocusReason);
}

void WindowMergeObserver::PdfTurnedOff() { window_.cbx_4->setChecked(false); }

void WindowMergeObserver::ProgressOpened(std::string_view text, int) {
  ProgressClosed();
  progress_ = new w_msg;
  progress_->open(text);
}

void WindowMergeObserver::Progress(int, int) {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WindowMergeObserver::ProgressClosed() {
  if (progress_ != nullptr) progress_->wf_close();
  progress_ = nullptr;
}

// Also asked every few milliseconds while the run waits for its PDFs and prints: the windows are
// repainted meanwhile, so they do not look frozen.
bool WindowMergeObserver::CancelRequested() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return cancel_;
}

void WindowMergeObserver::Finished(const merge::MergeSummary& summary) {
  const merge::FinalMessage message = merge::FinalMessageOf(summary);
  if (message.headline.empty()) return;
  std::string text = message.headline;
  for (const std::string& line : message.details) text += "\n" + line;
  app::host().MessageBox("操作提示", app::EscapeControls(text));
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
  return request;
}

}  // namespace vexlo::ui
