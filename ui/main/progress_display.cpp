#include "ui/main/progress_display.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/host.h"
#include "app/shown_text.h"
#include "office/deferred_work.h"
#include "ui/main/w_msg.h"
#include "ui/chrome/shell_open.h"
#include "ui/main/generation_window.h"
#include "ui/main/progress_overlay.h"

namespace vexlo::ui {
namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void ProgressDisplay::Repaint() { Pump(false, false); }

ProgressDisplay::ProgressDisplay(QWidget* owner, app::Host& host, ActiveProgress& active,
                                 PagePreview& pages, ParagraphReader template_reader,
                                 merge::MergeRequest request)
    : owner_(owner),
      host_(host),
      active_(active),
      pages_(pages),
      template_reader_(std::move(template_reader)),
      request_(std::move(request)) {}

ProgressDisplay::~ProgressDisplay() { Closed(); }

QWidget* ProgressDisplay::progress_window() const { return progress_; }

void ProgressDisplay::Opened(std::string_view text, int total) {
  Closed();
  started_ = std::chrono::steady_clock::now();
  active_.display_ = this;
  auto* window = new w_msg;
  progress_ = window;
  window->setWindowTitle("正在输出");
  // While it is up only it (and the generation window it owns) takes input.
  window->setWindowModality(Qt::ApplicationModal);
  window->installEventFilter(this);
  overlay_ = new ProgressOverlay(window);
  total_ = total;
  overlay_->SetProgress(0, 0, total);
  if (request_.visible) {
    generation_ = new GenerationWindow(window, pages_, template_reader_);
    generation_->installEventFilter(this);  // Esc there asks too
    generation_->SetTemplate(request_.template_path);
  }
  window->open(text);  // shows and paints at once
  overlay_->show();
  PlaceWindows();
  if (generation_ != nullptr) generation_->show();
  Pump(true);
  if (generation_ != nullptr) {
    // The grid reads only the cells it shows, as it shows them.
    std::unique_ptr<SheetSource> sheet = WorkbookSheet(request_.data_path, request_.as_shown);
    if (!chosen_rows_.empty()) sheet = ChosenRecords(std::move(sheet), chosen_rows_);
    generation_->SetSheet(
        std::move(sheet), total,
        SheetCaption(QFileInfo(Q(request_.data_path)).fileName().toStdString(), left_out_));
    Pump(true);
  }
}

void ProgressDisplay::PlaceWindows() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (progress_ == nullptr || generation_ == nullptr || screen == nullptr) return;
  // The progress window above, the generation window right under it, the pair centred.
  const QRect area = screen->availableGeometry();
  const int gap = 40;  // room for the generation window's title bar
  const int height = progress_->height() + gap + generation_->height();
  const int top = area.top() + std::max(0, (area.height() - height) / 2);
  progress_->move(area.center().x() - progress_->width() / 2, top);
  generation_->move(area.center().x() - generation_->width() / 2,
                    top + progress_->height() + gap);
}

void ProgressDisplay::Progress(int done, int total) {
  if (overlay_ == nullptr) return;
  ShowStage(merge::MergeStage::kDocuments, done, total);
  // The record being made is the one after those done; at the end, the last one.
  const int record = total > 0 ? std::min(done + 1, total) : 0;
  total_ = total;
  // Watched, the count follows the page shown (see ShowWatched), not the record being made.
  if (generation_ == nullptr) overlay_->SetProgress(record, done, total);
  // The last document is written: its page, row and count are drawn and painted now rather
  // than when the next page would be due, which a fast run never reaches. The windows then end
  // on it, however soon the PDFs follow or the run closes them.
  const bool last = total > 0 && done >= total;
  if (last) ShowWatched(std::chrono::steady_clock::now(), true);
  Pump(last);
}

void ProgressDisplay::StageProgress(merge::MergeStage stage, int done, int total) {
  if (overlay_ == nullptr) return;
  ShowStage(stage, done, total);
  overlay_->SetProgress(done, done, total);
  Pump();
}

void ProgressDisplay::ShowStage(merge::MergeStage stage, int done, int total) {
  overlay_->SetStage(stage, timer_.Report(stage, done, total, std::chrono::steady_clock::now()));
  if (shown_stage_ == stage) return;
  shown_stage_ = stage;
  static_cast<w_msg*>(progress_.data())
      ->st_1->setText(Q(merge::StageName(stage) + "，请稍候……"));
}

void ProgressDisplay::RecordDone(const merge::RecordResult& record) {
  if (generation_ != nullptr) {
    generation_->ShowDocument(record.index, record.document, record.document_name);
    ShowWatched(std::chrono::steady_clock::now(), false);
  }
  Pump();
}

bool ProgressDisplay::CancelRequested() {
  Pump();
  return cancel_;
}

void ProgressDisplay::ShowWatched(std::chrono::steady_clock::time_point now, bool force) {
  if (generation_ == nullptr || !generation_->RefreshPage(now, force)) return;
  // Once the PDFs or the prints are counted, the page shown no longer sets the count.
  if (shown_stage_.value_or(merge::MergeStage::kDocuments) != merge::MergeStage::kDocuments) return;
  const int shown = generation_->shown_record();
  overlay_->SetProgress(shown, shown, total_);
}

void ProgressDisplay::Pump(bool force, bool input) {
  if (progress_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && !(input && stop_asked_) && now - last_pump_ < kPumpInterval) return;
  last_pump_ = now;
  overlay_->SetElapsed(std::chrono::duration_cast<std::chrono::milliseconds>(now - started_));
  ShowWatched(now, false);
  QCoreApplication::processEvents(input ? QEventLoop::AllEvents
                                        : QEventLoop::ExcludeUserInputEvents,
                                  20);
  if (input && stop_asked_ && !asking_ && !cancel_) {
    asking_ = true;
    cancel_ = AskToStop();
    asking_ = false;
    stop_asked_ = false;
  }
}

bool ProgressDisplay::AskToStop() {
  // The question names the files there are: while documents are made, the count, the row and
  // the page move on to the newest one written, which a page not yet due would hold back.
  ShowWatched(std::chrono::steady_clock::now(), true);
  // No new PDF or print is begun while the user decides; a Yes cancels what waits.
  office::FlushPoint(request_.deferred).Pause(true);
  paused_ = true;
  // The work under way goes on arriving while the question is open (a joined batch is many
  // PDFs at once): the count keeps up with it, so that it names the files there are.
  QTimer follow;
  connect(&follow, &QTimer::timeout, this, [this] { FollowOutput(); });
  follow.start(kPumpInterval);
  const bool stop = host_.AskYesNo("操作提示", "是否停止输出？");
  follow.stop();
  FollowOutput();
  if (!stop) ResumeOutput();
  return stop;
}

void ProgressDisplay::FollowOutput() {
  if (overlay_ == nullptr) return;
  const std::optional<office::WaitProgress> progress =
      office::FlushPoint(request_.deferred).Progress();
  const merge::MergeStage stage = shown_stage_.value_or(merge::MergeStage::kDocuments);
  if (!progress || stage == merge::MergeStage::kDocuments) return;
  if ((progress->stage == office::WaitStage::kPdfs) != (stage == merge::MergeStage::kPdfs)) return;
  overlay_->SetProgress(progress->done, progress->done, progress->total);
}

void ProgressDisplay::ResumeOutput() {
  if (!paused_) return;
  paused_ = false;
  office::FlushPoint(request_.deferred).Pause(false);
}

bool ProgressDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == progress_ && event->type() == QEvent::Close) {
    // Only Closed() ends the window; a close by the user asks to stop.
    event->ignore();
    stop_asked_ = true;
    return true;
  }
  if ((watched == progress_ || (generation_ != nullptr && watched == generation_)) &&
      event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    stop_asked_ = true;
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void ProgressDisplay::Closed() {
  if (active_.display_ == this) active_.display_ = nullptr;
  ResumeOutput();  // a run that ended without acting on a Yes leaves the output paused no more
  if (progress_ == nullptr) return;
  ShowWatched(std::chrono::steady_clock::now(), true);
  progress_->removeEventFilter(this);
  if (generation_ != nullptr) generation_->removeEventFilter(this);
  auto* window = static_cast<w_msg*>(progress_.data());
  progress_ = nullptr;
  overlay_ = nullptr;
  generation_ = nullptr;  // owned by the progress window
  window->wf_close();     // deletes it, and the generation window with it
}

void ProgressDisplay::Finished(const merge::MergeSummary& summary) {
  Closed();
  const merge::FinalMessage message = merge::FinalMessageOf(summary);
  if (message.headline.empty()) return;
  std::string text = message.headline;
  for (const std::string& line : message.details) text += "\n" + line;
  text = app::EscapeControls(text);
  // Echoed for whoever watches the program's output (support, the walkthrough test).
  std::fprintf(stderr, "vexlo: 操作提示: %s\n", text.c_str());
  QMessageBox box(QMessageBox::Information, "操作提示", Q(text), QMessageBox::Ok, owner_);
  box.button(QMessageBox::Ok)->setText("确定");
  QPushButton* open = nullptr;
  if (summary.documents > 0 || summary.pdfs > 0) {
    open = box.addButton("打开文件夹", QMessageBox::ActionRole);
  }
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(box.button(QMessageBox::Ok));
  box.exec();
  if (open != nullptr && box.clickedButton() == open) {
    const std::string folder = summary.folder;
    if (!shellexecute(folder)) {
      host_.MessageBox("错误提示", "无法打开文件夹“" + folder +
                                            "”：没有找到桌面的文件管理器（xdg-open）。");
    }
  }
}

}  // namespace vexlo::ui
