// A watched run (可见生成过程) of a sheet longer than a run reads: when the documents are done the
// progress count, the highlighted row and the page all name the last record written, the page
// is that record's own, the grid on screen is what the view draws, and its caption says why the
// sheet's last rows are not there. The stop question counts the documents there are.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "merge/merge_session.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "tests/support/test_engine.h"
#include "tests/support/scripted_host.h"
#include "tests/ui/window_graph.h"
#include "tests/support/test_paths.h"
#include "ui/main/docx_paragraphs.h"
#include "ui/main/generation_window.h"
#include "ui/main/page_preview.h"
#include "ui/main/progress_display.h"
#include "ui/main/progress_overlay.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_merge_observer.h"

namespace vexlo::ui {
namespace {

namespace fs = std::filesystem;

// What the watcher sees at one moment of the run.
struct Seen {
  bool taken = false;
  int shown = 0;         // the record of the page and the row
  int selected_row = 0;  // 1-based; 0 when not exactly one row is selected
  bool row_in_view = false;
  int model_rows = 0, view_rows = 0;
  std::string count, page_caption, sheet_caption;
  QImage page;
  bool screen_matches_view = false;
};

// The window's own observer, looking at its windows when the documents are done (the first
// report of a later stage) and as the run closes them.
class WatchingObserver : public WindowMergeObserver {
 public:
  using WindowMergeObserver::WindowMergeObserver;

  void RecordDone(const merge::RecordResult& record) override {
    last_written = record;
    WindowMergeObserver::RecordDone(record);
    if (record.index == press_esc_at) QTest::keyClick(display().generation_window(), Qt::Key_Escape);
  }
  void StageProgress(merge::MergeStage stage, int done, int total) override {
    if (stage != merge::MergeStage::kDocuments && !documents_done.taken) documents_done = Look();
    WindowMergeObserver::StageProgress(stage, done, total);
  }
  void ProgressClosed() override {
    if (!closing.taken) closing = Look();
    WindowMergeObserver::ProgressClosed();
  }
  // The final message box would wait for a click.
  void Finished(const merge::MergeSummary& s) override {
    summary = s;
    display().Closed();
  }

  int press_esc_at = 0;  // the record after which the user presses Esc
  merge::RecordResult last_written;
  Seen documents_done, closing;
  merge::MergeSummary summary;

 private:
  Seen Look() {
    Seen seen;
    GenerationWindow* window = display().generation_window();
    if (window == nullptr) return seen;
    seen.taken = true;
    seen.shown = window->shown_record();
    const QModelIndexList rows = window->sheet()->selectionModel()->selectedRows();
    if (rows.size() == 1) {
      seen.selected_row = rows.front().row() + 1;
      seen.row_in_view = window->sheet()->viewport()->rect().contains(
          window->sheet()->visualRect(rows.front()));
    }
    seen.model_rows = window->model()->rowCount();
    seen.view_rows = window->sheet()->verticalHeader()->count();
    seen.count = display().overlay()->count_text();
    seen.page_caption = window->page_caption()->text().toStdString();
    seen.sheet_caption = window->sheet_caption()->text().toStdString();
    seen.page = window->page()->pixmap().toImage();
    // What the screen holds of the grid against a fresh drawing of it: rows drawn over each
    // other, or left from an earlier position, differ.
    QWidget* viewport = window->sheet()->viewport();
    const QPoint at = viewport->mapTo(window, QPoint(0, 0));
    const QImage screen = window->screen()
                              ->grabWindow(window->winId(), at.x(), at.y(), viewport->width(),
                                           viewport->height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    const QImage drawn = viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
    seen.screen_matches_view = !screen.isNull() && screen == drawn;
    return seen;
  }
};

class WatchedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::RegisterEmbeddedServers(vexlo::test::Engine());
    // 1 200 people under the titles of the template; a run reads down to row 1000.
    std::ofstream csv(dir_ / "工资.csv");
    csv << "姓名,部门,ID\n";
    for (int i = 1; i <= 1200; ++i) csv << "人" << i << ",部" << i << ",A" << i << "\n";
    csv.close();
    fs::copy_file(test::DataFile("merge/模板.docx"), dir_ / "模板.docx");
  }
  void TearDown() override { graph_.events.DrainPosted(); }

  // The window's context as main gives it, with pages drawn from the documents themselves.
  WindowContext Context() {
    const WindowContext c = graph_.Context();
    return {.host = c.host,
            .events = c.events,
            .state = c.state,
            .clock = c.clock,
            .facts = c.facts,
            .pages = docx_pages_,
            .template_reader = c.template_reader,
            .office_starter = c.office_starter,
            .template_preparer = c.template_preparer,
            .settings = c.settings,
            .mail_passwords = c.mail_passwords,
            .progress = c.progress};
  }

  // A watched run of the 1 200 people into `out`, with their PDFs when `pdf`.
  merge::MergeRequest Request(const fs::path& out, bool pdf) const {
    fs::create_directory(out);
    merge::MergeRequest request;
    request.data_path = (dir_ / "工资.csv").string();
    request.template_path = (dir_ / "模板.docx").string();
    request.output_folder = out.string();
    request.copies_text = "1";
    request.visible = true;
    request.pdf = pdf;
    request.deferred = graph_.deferred;
    return request;
  }

  test::ScratchDir dir_;
  test::WindowGraph graph_;
  test::ScriptedHost& host_ = graph_.host;
  TextPagePreview docx_pages_{[](const std::string& path) { return DocxParagraphs(path); }};
};

TEST_F(WatchedRunTest, TheWindowsEndOnTheLastRecordWritten) {
  for (const bool pdf : {false, true}) {
    SCOPED_TRACE(pdf ? "with PDFs" : "documents only");
    if (pdf && engine::SofficeProgram().empty()) GTEST_SKIP() << "no LibreOffice for the PDFs";
    const merge::MergeRequest request = Request(dir_ / (pdf ? "pdf" : "docx"), pdf);
    host_.log.clear();
    host_.yes_no_answers = {true};  // go on without the rows below row 1000
    w_vexlo main_window(Context());
    WatchingObserver observer(main_window, request);
    std::unique_ptr<office::oleobject> excel, word, word2;
    merge::RunMergeSession(request, observer, {excel, word, word2});

    ASSERT_EQ(observer.summary.documents, 999);
    ASSERT_EQ(observer.last_written.index, 999);
    const std::string last = observer.last_written.document;
    EXPECT_EQ(fs::path(last).filename(), "人999.docx");
    const QImage last_page =
        TextPagePreview([](const std::string& path) { return DocxParagraphs(path); })
            .Render(last, QSize(270, 382));
    ASSERT_FALSE(last_page.isNull());

    // Once the documents are done (PDFs still under way, when they are), and still as the
    // windows close.
    const Seen& done = observer.documents_done.taken ? observer.documents_done : observer.closing;
    ASSERT_TRUE(done.taken);
    EXPECT_EQ(done.shown, 999);
    EXPECT_EQ(done.selected_row, 999);
    EXPECT_TRUE(done.row_in_view);
    EXPECT_EQ(done.count, "第 999 条，共 999 条");
    EXPECT_EQ(done.page_caption, "刚生成的文档：人999.docx");
    EXPECT_TRUE(done.page == last_page) << "the page is not the last record's";
    EXPECT_EQ(done.model_rows, 999);
    EXPECT_EQ(done.view_rows, 999);
    EXPECT_TRUE(done.screen_matches_view);
    EXPECT_EQ(done.sheet_caption, "数据表：工资.csv\n只输出到第 1000 行，其后 201 行数据不输出");
    ASSERT_TRUE(observer.closing.taken);
    EXPECT_EQ(observer.closing.shown, 999);
    EXPECT_EQ(observer.closing.selected_row, 999);
    if (observer.documents_done.taken) EXPECT_EQ(observer.closing.count, "第 999 个，共 999 个");
  }
}

// Esc in the middle of a run: the question counts the documents there are, and Yes stops there.
TEST_F(WatchedRunTest, TheStopQuestionCountsTheDocumentsThereAre) {
  const fs::path out = dir_ / "输出";
  const merge::MergeRequest request = Request(out, false);
  w_vexlo main_window(Context());
  WatchingObserver observer(main_window, request);
  observer.press_esc_at = 500;
  std::string count, page_caption;
  int documents = 0, shown = 0, selected_row = 0;
  host_.while_asking = [&] {
    if (!host_.log.back().ends_with("是否停止输出？")) return;
    for (const auto& entry : fs::directory_iterator(out)) {
      documents += entry.path().extension() == ".docx";
    }
    count = observer.display().overlay()->count_text();
    const GenerationWindow* window = observer.display().generation_window();
    shown = window->shown_record();
    page_caption = window->page_caption()->text().toStdString();
    selected_row = window->sheet()->currentIndex().row() + 1;
  };
  host_.yes_no_answers = {true, true};  // go on without the rows below row 1000; stop
  std::unique_ptr<office::oleobject> excel, word, word2;
  merge::RunMergeSession(request, observer, {excel, word, word2});
  EXPECT_EQ(host_.log.back(), "ask 操作提示|是否停止输出？");
  EXPECT_EQ(documents, 500);
  EXPECT_EQ(count, "第 500 条，共 999 条");
  EXPECT_EQ(shown, 500);
  EXPECT_EQ(selected_row, 500);
  EXPECT_EQ(page_caption, "刚生成的文档：人500.docx");
  EXPECT_EQ(observer.summary.documents, 500);
  host_.while_asking = nullptr;
}

TEST(SheetCaptionTest, SaysWhichRowsOfTheSheetAreLeftOut) {
  EXPECT_EQ(SheetCaption("数据.xls", {}), "数据表：数据.xls");
  merge::SkippedRows both;
  both.blank_row = 40;
  both.after_blank = 3;
  both.last_row = 1000;
  both.beyond_last = 12;
  EXPECT_EQ(SheetCaption("数据.xls", both),
            "数据表：数据.xls\n第 40 行第一列为空，其后 3 行数据不输出\n"
            "只输出到第 1000 行，其后 12 行数据不输出");
}

}  // namespace
}  // namespace vexlo::ui
