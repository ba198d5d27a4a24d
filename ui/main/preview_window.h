// The preview: before a run, the slip of any record as the run would fill it (the first by
// default, ◀ ▶ to step), drawn like the generation window's page, with what the check before
// writing found listed under it. Opened from the main window's 预览 button. UI thread only.
#ifndef VEXLO_UI_MAIN_PREVIEW_WINDOW_H_
#define VEXLO_UI_MAIN_PREVIEW_WINDOW_H_

#include <QDialog>
#include <memory>

#include "app/host.h"
#include "ui/main/slip_preview.h"

class QLabel;
class QPushButton;

namespace vexlo::ui {

class PreviewWindow : public QDialog {
 public:
  // `preview` must be open (SlipPreview::Open succeeded).
  PreviewWindow(std::unique_ptr<SlipPreview> preview, QWidget* parent);

  // Shows record `index` (1-based, kept within the records).
  void ShowRecord(int index);
  int shown_record() const { return index_; }
  QLabel* page() const { return page_; }
  QLabel* findings() const { return findings_; }
  QPushButton* previous() const { return previous_; }
  QPushButton* next() const { return next_; }

 private:
  std::unique_ptr<SlipPreview> preview_;
  QLabel* caption_;
  QLabel* page_;
  QLabel* findings_;
  QPushButton* previous_;
  QPushButton* next_;
  int index_ = 0;
};

// Opens the preview of the run the window's fields stand for, or tells why it cannot be shown.
void ShowPreview(app::Host& host, const merge::MergeRequest& request, QWidget* parent);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PREVIEW_WINDOW_H_
