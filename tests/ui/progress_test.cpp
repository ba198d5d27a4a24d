// The progress window's figures and the generation window: the share of the track, the count and
// time texts, the page images and how often they are drawn.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <QPointer>
#include <QTest>

#include "office/deferred_work.h"
#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/oleobject.h"
#include "office/server_registry.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"
#include "tests/ui/window_graph.h"
#include "ui/main/qt_host.h"
#include "ui/main/w_msg.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_merge_observer.h"
#include "ui/main/generation_window.h"
#include "ui/main/page_preview.h"
#include "ui/main/progress_display.h"
#include "ui/main/progress_overlay.h"
#include "ui/main/qt_host.h"
#include "ui/main/w_msg.h"
#include "ui/main/w_vexlo.h"
#include "ui/main/window_merge_observer.h"

namespace vexlo::ui {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(ProgressFiguresTest, TrackShareCountAndTime) {
  EXPECT_EQ(FilledWidth(0, 999, 270), 0);
  EXPECT_EQ(FilledWidth(1, 999, 270), 0);
  EXPECT_EQ(FilledWidth(500, 999, 270), 135);
  EXPECT_EQ(FilledWidth(999, 999, 270), 270);
  EXPECT_EQ(FilledWidth(3, 3, 270), 270);
  // Unknown or odd figures never draw outside the track.
  EXPECT_EQ(FilledWidth(5, 0, 270), 0);
  EXPECT_EQ(FilledWidth(1200, 999, 270), 270);
  EXPECT_EQ(FilledWidth(-1, 999, 270), 0);
  EXPECT_EQ(FilledWidth(2'000'000'000, 2'100'000'000, 270), 257);  // no overflow

  using merge::MergeStage;
  EXPECT_EQ(merge::StageCountText(MergeStage::kDocuments, 0, 999), "共 999 条");
  EXPECT_EQ(merge::StageCountText(MergeStage::kDocuments, 1, 999), "第 1 条，共 999 条");
  EXPECT_EQ(merge::StageCountText(MergeStage::kDocuments, 1000, 999), "第 999 条，共 999 条");
  EXPECT_EQ(merge::StageCountText(MergeStage::kPdfs, 106, 200), "第 106 个，共 200 个");

  EXPECT_EQ(ElapsedText(0ms), "已用时 0:00");
  EXPECT_EQ(ElapsedText(59'999ms), "已用时 0:59");
  EXPECT_EQ(ElapsedText(61s), "已用时 1:01");
  EXPECT_EQ(ElapsedText(3h + 2min + 5s), "已用时 3:02:05");
  EXPECT_EQ(ElapsedText(-5s), "已用时 0:00");
}

TEST(ProgressFiguresTest, OverlayRepaintsOnlyForAChange) {
  QWidget parent;
  ProgressOverlay overlay(&parent);
  EXPECT_TRUE(QRect(0, 0, 480, 120).contains(overlay.geometry()));
  overlay.SetProgress(2, 1, 10);
  EXPECT_EQ(overlay.record(), 2);
  EXPECT_EQ(overlay.done(), 1);
  EXPECT_EQ(overlay.total(), 10);
  // Drawing into an image shows the filled share in orange at the track's height.
  overlay.SetProgress(5, 5, 10);
  QImage image(overlay.size(), QImage::Format_RGB32);
  overlay.render(&image);
  const QColor filled = image.pixelColor(8 + 60, 9);
  const QColor empty = image.pixelColor(8 + 200, 9);
  EXPECT_GT(filled.red(), 200);
  EXPECT_LT(empty.red(), 120);
}

TEST(PagePreviewTest, TitlesAreFilledOnceLongestFirst) {
  const Lines titles = {"姓名", "姓名拼音", "金额", "  "};
  const Lines values = {"张伟", "Zhang Wei", "金额100", "空"};
  EXPECT_EQ(FillParagraphs({"尊敬的姓名（姓名拼音）：", "应付金额元", "无标题"}, titles, values),
            (Lines{"尊敬的张伟（Zhang Wei）：", "应付金额100元", "无标题"}));
  // Case does not matter for Latin titles; values are never searched again.
  EXPECT_EQ(FillParagraphs({"Dear NAME, name"}, {"name", "Ann"}, {"Ann", "x"}),
            (Lines{"Dear Ann, Ann"}));
}

TEST(PagePreviewTest, TextPageKeepsThePageShapeAndStaysInside) {
  const QImage page = TextPage("张伟.docx", {"第一段", std::string(2000, 'x')}, QSize(270, 382));
  ASSERT_FALSE(page.isNull());
  EXPECT_LE(page.width(), 270);
  EXPECT_LE(page.height(), 382);
  EXPECT_NEAR(static_cast<double>(page.height()) / page.width(), 297.0 / 210.0, 0.02);
  // Text is drawn, and a long paragraph stops above the bottom margin.
  bool dark_top = false, dark_foot = false;
  for (int x = 0; x < page.width(); ++x) {
    for (int y = 30; y < 60; ++y) dark_top |= qGray(page.pixel(x, y)) < 100;
    for (int y = page.height() - 20; y < page.height() - 2; ++y) {
      dark_foot |= qGray(page.pixel(x, y)) < 100;
    }
  }
  EXPECT_TRUE(dark_top);
  EXPECT_FALSE(dark_foot);
}

// A renderer that counts its calls and draws a plain page.
class CountingPreview : public PagePreview {
 public:
  QImage Render(const std::string& document, const QSize& size) override {
    rendered.push_back(document);
    if (document.ends_with(".doc")) return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
  }
  Lines rendered;
};

// A sheet of `titles` × `records` whose cells are "姓名1", "c2r1", ...; counts the cells read.
class CountingSheet : public SheetSource {
 public:
  CountingSheet(int titles, int* reads) : titles_(titles), reads_(reads) {}
  Lines Titles() override {
    Lines titles{"姓名"};
    for (int k = 2; k <= titles_; ++k) titles.push_back("列" + std::to_string(k));
    return titles;
  }
  std::string Cell(int record, int column) override {
    ++*reads_;
    if (column == 0) return "人" + std::to_string(record);
    return "c" + std::to_string(column + 1) + "r" + std::to_string(record);
  }

 private:
  int titles_;
  int* reads_;
};

TEST(GenerationWindowTest, GridReadsOnlyTheCellsItShowsAroundTheCurrentRecord) {
  int reads = 0;
  TextPagePreview pages(nullptr);
  GenerationWindow window(nullptr, pages, {});
  window.SetSheet(std::make_unique<CountingSheet>(30, &reads), 999, "数据.xlsx");
  window.resize(760, 430);
  window.show();
  QTest::qWait(10);
  ASSERT_NE(window.model(), nullptr);
  EXPECT_EQ(window.model()->rowCount(), 999);
  EXPECT_EQ(window.model()->columnCount(), 30);
  EXPECT_EQ(window.model()->flags(window.model()->index(0, 0)) & Qt::ItemIsEditable,
            Qt::NoItemFlags);

  // The run moves through the sheet; every record is reported, the grid is painted now and then.
  for (int record = 1; record <= 999; ++record) {
    window.ShowRecord(record);
    if (record % 250 == 0) QCoreApplication::processEvents();
  }
  window.ShowRecord(500);
  const auto row_shown = [&] {
    const QModelIndexList rows = window.sheet()->selectionModel()->selectedRows();
    return rows.size() == 1 && rows.front().row() == 499;
  };
  ASSERT_TRUE(QTest::qWaitFor(row_shown, 2000));
  EXPECT_EQ(window.sheet()->selectionModel()->selectedRows().front().row(), 499);
  const QRect cell = window.sheet()->visualRect(window.model()->index(499, 0));
  EXPECT_TRUE(window.sheet()->viewport()->rect().contains(cell));
  EXPECT_EQ(window.model()->data(window.model()->index(499, 1), Qt::DisplayRole).toString(),
            "c2r500");
  window.ShowRecord(0);  // outside the sheet: the highlight stays
  window.ShowRecord(1000);
  QTest::qWait(GenerationWindow::kFollowInterval.count() + 50);
  EXPECT_EQ(window.sheet()->selectionModel()->selectedRows().front().row(), 499);

  // A few screens' worth of cells, each read once, never the 29 970 of the whole sheet.
  EXPECT_GT(reads, 0);
  EXPECT_LT(reads, 2000);
  EXPECT_EQ(reads, window.model()->cells_read());
  const int before = reads;
  window.sheet()->viewport()->repaint();
  EXPECT_EQ(reads, before);
}

TEST(GenerationWindowTest, DrawsPagesAtMostEveryInterval) {
  CountingPreview pages;
  CountingPreview* preview = &pages;
  // The template's paragraphs, read once, and only once the window knows the template.
  int reads = 0;
  const ParagraphReader template_reader = [&](const std::string& path) {
    ++reads;
    EXPECT_EQ(path, "/t/模板.doc");
    return Lines{"致姓名"};
  };
  int cells = 0;
  GenerationWindow window(nullptr, pages, template_reader);
  window.SetSheet(std::make_unique<CountingSheet>(2, &cells), 300, "数据.xls");

  // Records written faster than the interval: only the newest waiting page is drawn.
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(window.RefreshPage(t0));  // nothing waiting
  window.ShowDocument(1, "/out/人1.docx");
  EXPECT_TRUE(window.RefreshPage(t0));
  window.ShowDocument(2, "/out/人2.docx");
  EXPECT_FALSE(window.RefreshPage(t0 + 100ms));
  window.ShowDocument(3, "/out/人3.docx");
  EXPECT_FALSE(window.RefreshPage(t0 + 299ms));
  EXPECT_TRUE(window.RefreshPage(t0 + 300ms));
  window.ShowDocument(4, "/out/人4.docx");
  EXPECT_TRUE(window.RefreshPage(t0 + 310ms, true));  // the last page of a run is always drawn
  EXPECT_EQ(preview->rendered, (Lines{"/out/人1.docx", "/out/人3.docx", "/out/人4.docx"}));
  EXPECT_FALSE(window.page()->pixmap().isNull());

  // A document that cannot be read yet, before the template is known: a plain note.
  window.ShowDocument(5, "/out/人5.doc");
  EXPECT_TRUE(window.RefreshPage(t0 + 1s));
  EXPECT_TRUE(window.page()->pixmap().isNull());
  EXPECT_FALSE(window.page()->text().isEmpty());

  EXPECT_EQ(reads, 0);
  // With it, the page is the template filled with the record's values, the template read once.
  window.SetTemplate("/t/模板.doc");
  window.ShowDocument(6, "/out/人6.doc");
  EXPECT_TRUE(window.RefreshPage(t0 + 2s));
  window.ShowDocument(7, "/out/人7.doc");
  EXPECT_TRUE(window.RefreshPage(t0 + 3s));
  EXPECT_FALSE(window.page()->pixmap().isNull());
  EXPECT_EQ(reads, 1);
}

// The grid reads through the run's own spreadsheet instance; once the run quits it, rows still
// to be painted are read through an instance of the grid's own, not left blank.
TEST(GenerationWindowTest, RowsStayReadableAfterTheRunQuitsItsSpreadsheet) {
  engine::RegisterSpreadsheetServer(test::Engine().sheet());
  const std::string data = test::DataFile("merge/数据.xlsx").string();
  office::oleobject run;
  ASSERT_EQ(run.start_new("excel.application"), office::kConnectOk);
  run.get("application").get("workbooks").call("open", {office::Value(data)});
  std::unique_ptr<SheetSource> sheet = WorkbookSheet(data, false);
  EXPECT_EQ(sheet->Titles(), (Lines{"姓名", "部门", "ID"}));
  EXPECT_EQ(sheet->Cell(1, 0), "张三");
  run.get("application").call("quit");
  run.release();
  EXPECT_EQ(sheet->Cell(2, 1), "技术部");
  EXPECT_EQ(sheet->Cell(1, 2), "A001");
  sheet.reset();
  office::UnregisterServer("excel.application");
}

// With 数值按表格格式 the grid shows what the documents get: cells as the sheet shows them.
TEST(GenerationWindowTest, TheGridShowsTheValuesAsTheyWillBeWritten) {
  engine::RegisterSpreadsheetServer(test::Engine().sheet());
  const std::string data = test::DataFile("sheet/shown_formats.xlsx").string();
  // Record 2 is the row of the format "0": 5600.2 shows as 5600.
  EXPECT_EQ(WorkbookSheet(data, false)->Cell(2, 2), "5600.2");
  EXPECT_EQ(WorkbookSheet(data, true)->Cell(2, 2), "5600");
  office::UnregisterServer("excel.application");
}

TEST(GenerationWindowTest, RowAndPageNameTheSameRecordAndOneFileItsOwnName) {
  CountingPreview pages;
  int cells = 0;
  GenerationWindow window(nullptr, pages, {});
  window.SetSheet(std::make_unique<CountingSheet>(2, &cells), 300, "数据.xls");
  const auto selected_row = [&] {
    const QModelIndexList rows = window.sheet()->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  };
  const auto t0 = std::chrono::steady_clock::now();
  window.ShowDocument(118, "/out/人118.docx");
  EXPECT_TRUE(window.RefreshPage(t0));
  EXPECT_EQ(window.shown_record(), 118);
  EXPECT_EQ(selected_row(), 117);
  // Written meanwhile, not drawn yet: row and page stay together on record 118.
  window.ShowDocument(119, "/out/人119.docx");
  EXPECT_FALSE(window.RefreshPage(t0 + 100ms));
  QTest::qWait(GenerationWindow::kFollowInterval.count() + 50);
  EXPECT_EQ(window.shown_record(), 118);
  EXPECT_EQ(selected_row(), 117);

  // One file for all records: the page is read from the file being built, named as the user
  // will find it.
  window.ShowDocument(120, "/out/.vexlo-merge-25571.docx", "合并输出.docx");
  EXPECT_TRUE(window.RefreshPage(t0 + 1s));
  EXPECT_EQ(window.page_caption()->text(), "刚生成的文档：合并输出.docx");
}

}  // namespace
}  // namespace vexlo::ui

namespace vexlo::ui {
namespace {

class ProgressDisplayTest : public ::testing::Test {
 protected:
  test::WindowGraph graph_;
  test::ScriptedHost& host_ = graph_.host;
};

TEST_F(ProgressDisplayTest, EscOrCloseAsksAndYesStopsAfterTheRecord) {
  QWidget main_window;
  main_window.show();
  merge::MergeRequest request;
  request.visible = false;
  ProgressDisplay display(&main_window, host_, graph_.progress, graph_.pages, {}, request);
  display.Opened("正在输出，可能需要较长时间，请稍候……", 5);
  EXPECT_EQ(graph_.progress.display(), &display);  // the host repaints it in long steps
  QWidget* progress = display.progress_window();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->windowModality(), Qt::ApplicationModal);  // the main window takes no input
  EXPECT_EQ(display.generation_window(), nullptr);              // not watched: no generation window
  display.Progress(0, 5);
  EXPECT_EQ(display.overlay()->record(), 1);

  // Esc, answered No: the run goes on.
  host_.yes_no_answers = {false, true};
  QTest::keyClick(progress, Qt::Key_Escape);
  EXPECT_FALSE(display.CancelRequested());
  display.Progress(2, 5);
  EXPECT_EQ(display.overlay()->done(), 2);
  // Closing the window asks again; Yes stops the run, and the window stays until the run closes it.
  progress->close();
  EXPECT_TRUE(progress->isVisible());
  EXPECT_TRUE(display.CancelRequested());
  EXPECT_TRUE(display.CancelRequested());  // asked once only
  EXPECT_EQ(host_.log, (std::vector<std::string>{"ask 操作提示|是否停止输出？",
                                                 "ask 操作提示|是否停止输出？"}));
  QPointer<QWidget> gone(progress);
  display.Closed();
  EXPECT_EQ(graph_.progress.display(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(gone.isNull());
  EXPECT_EQ(display.progress_window(), nullptr);
  display.Progress(3, 5);  // reports after the close do nothing
  EXPECT_EQ(host_.log.size(), 2u);
}

TEST_F(ProgressDisplayTest, WatchedRunsShowTheGenerationWindowBesideTheProgress) {
  merge::MergeRequest request;
  request.visible = true;
  request.data_path = "/nowhere/数据.xlsx";  // unreadable: an empty grid, no error
  request.template_path = "/nowhere/模板.docx";
  ProgressDisplay display(nullptr, host_, graph_.progress, graph_.pages, {}, request);
  display.Opened("正在输出", 3);
  GenerationWindow* generation = display.generation_window();
  ASSERT_NE(generation, nullptr);
  EXPECT_TRUE(generation->isVisible());
  ASSERT_NE(generation->model(), nullptr);
  EXPECT_EQ(generation->model()->rowCount(), 0);
  // Beside the progress window: neither covers the other.
  EXPECT_FALSE(generation->frameGeometry().intersects(display.progress_window()->frameGeometry()));
  display.Progress(0, 3);
  EXPECT_EQ(display.overlay()->record(), 0);  // watched: the count waits for the first page
  display.RecordDone({1, 2, "张伟", "/nowhere/张伟.docx", "", false});
  display.Progress(1, 3);
  EXPECT_EQ(generation->shown_record(), 1);
  EXPECT_EQ(display.overlay()->record(), 1);  // the record whose page is shown
  EXPECT_EQ(display.overlay()->done(), 1);
  // Esc in the generation window asks to stop as well.
  host_.yes_no_answers = {true};
  QTest::keyClick(generation, Qt::Key_Escape);
  EXPECT_TRUE(display.CancelRequested());
  display.Closed();
  EXPECT_EQ(display.generation_window(), nullptr);
}


// Records the pauses of the output while the stop question is open.
class PauseRecorder : public office::DeferredWork {
 public:
  std::vector<bool> pauses;
  void Flush(bool, const office::WaitWatch&) override {}
  void Cancel() override {}
  void Pause(bool paused) override { pauses.push_back(paused); }
};

TEST_F(ProgressDisplayTest, TheOutputPausesWhileTheStopQuestionIsOpen) {
  PauseRecorder output;
  merge::MergeRequest request;
  request.deferred = &output;
  ProgressDisplay display(nullptr, host_, graph_.progress, graph_.pages, {}, request);
  display.Opened("正在输出", 5);
  display.StageProgress(merge::MergeStage::kPdfs, 1, 5);
  // No: paused for the question, going on after it.
  QTest::keyClick(display.progress_window(), Qt::Key_Escape);
  EXPECT_FALSE(display.CancelRequested());
  EXPECT_EQ(output.pauses, std::vector<bool>({true, false}));
  // Yes: still paused when the run cancels; the window's close ends the pause in any case.
  host_.yes_no_answers = {true};
  QTest::keyClick(display.progress_window(), Qt::Key_Escape);
  EXPECT_TRUE(display.CancelRequested());
  EXPECT_EQ(output.pauses, std::vector<bool>({true, false, true}));
  display.Closed();
  EXPECT_EQ(output.pauses, std::vector<bool>({true, false, true, false}));
}

// PDFs of the batches under way go on arriving while the stop question is open: the count
// follows them, so that it names the files there are when the question is answered.
class ArrivingPdfs : public PauseRecorder {
 public:
  int done = 1;
  std::optional<office::WaitProgress> Progress() const override {
    return office::WaitProgress{office::WaitStage::kPdfs, done, 200};
  }
};

TEST_F(ProgressDisplayTest, TheCountFollowsThePdfsThatArriveWhileTheStopQuestionIsOpen) {
  ArrivingPdfs output;
  merge::MergeRequest request;
  request.deferred = &output;
  ProgressDisplay display(nullptr, host_, graph_.progress, graph_.pages, {}, request);
  display.Opened("正在输出", 200);
  display.StageProgress(merge::MergeStage::kPdfs, 1, 200);
  int seen_while_open = -1;
  host_.while_asking = [&] {
    output.done = 97;  // two joined batches delivered meanwhile
    QTest::qWait(200);
    seen_while_open = display.overlay()->done();
  };
  QTest::keyClick(display.progress_window(), Qt::Key_Escape);
  EXPECT_FALSE(display.CancelRequested());
  EXPECT_EQ(seen_while_open, 97);
  EXPECT_EQ(display.overlay()->count_text(), "第 97 个，共 200 个");
  host_.while_asking = nullptr;
  display.Closed();
}

TEST_F(ProgressDisplayTest, EveryStageIsShownWithItsCountAndTheTimeLeft) {
  merge::MergeRequest request;
  ProgressDisplay display(nullptr, host_, graph_.progress, graph_.pages, {}, request);
  display.Opened("正在输出，可能需要较长时间，请稍候……", 200);
  auto* window = static_cast<w_msg*>(display.progress_window());
  display.Progress(3, 200);
  EXPECT_EQ(window->st_1->text().toStdString(), "正在生成文档，请稍候……");
  EXPECT_EQ(display.overlay()->count_text(), "第 4 条，共 200 条");
  // The documents are all made: the PDFs, 106 of them made already, count on from there.
  display.StageProgress(merge::MergeStage::kPdfs, 106, 200);
  EXPECT_EQ(window->st_1->text().toStdString(), "正在生成PDF，请稍候……");
  EXPECT_EQ(display.overlay()->count_text(), "第 106 个，共 200 个");
  EXPECT_EQ(display.overlay()->done(), 106);  // the track is not full while PDFs are made
  EXPECT_EQ(display.overlay()->time_text().find("还需约"), std::string::npos);  // no pace yet
  QTest::qWait(30);
  display.StageProgress(merge::MergeStage::kPdfs, 150, 200);
  EXPECT_NE(display.overlay()->time_text().find("，还需约 0:0"), std::string::npos)
      << display.overlay()->time_text();
  display.StageProgress(merge::MergeStage::kPrinting, 2, 200);
  EXPECT_EQ(window->st_1->text().toStdString(), "正在打印，请稍候……");
  EXPECT_EQ(display.overlay()->count_text(), "第 2 个，共 200 个");
  display.Closed();
}

TEST_F(ProgressDisplayTest, PrintingIsConfirmedWithThePrinterAndTheCopies) {
  w_vexlo window(graph_.Context());
  WindowMergeObserver observer(window, merge::MergeRequest{});
  host_.yes_no_answers = {false, true};
  EXPECT_FALSE(observer.ConfirmPrint({"办公室打印机", 200, 2}));
  EXPECT_TRUE(observer.ConfirmPrint({"办公室打印机", 1, 50}));
  EXPECT_EQ(host_.log,
            Lines({"ask 操作提示|将在打印机“办公室打印机”上打印 200 个文档，每个 2 份，共 400 份。是否继续？",
                   "ask 操作提示|将在打印机“办公室打印机”上打印 1 个文档，每个 50 份，共 50 份。是否继续？"}));
}

// Boxes asked while the progress window is up belong to it: closing them must not bring the main
// window in front of the progress and generation windows.
TEST(QtHostTest, BoxesBelongToTheWindowTheUserIsWorkingIn) {
  QWidget main_window;
  main_window.show();
  QtHost host([] {});
  host.SetMainWindow(&main_window);
  QWidget* owner = nullptr;
  const auto answer_next_box = [&owner] {
    QTimer::singleShot(0, [&owner] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      owner = box->parentWidget();
      box->done(QMessageBox::No);
    });
  };
  answer_next_box();
  host.AskYesNo("操作提示", "是否停止输出？");
  EXPECT_EQ(owner, &main_window);

  w_msg progress;
  progress.setWindowModality(Qt::ApplicationModal);
  progress.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeModalWidget() == &progress; }));
  answer_next_box();
  host.AskYesNo("操作提示", "是否停止输出？");
  EXPECT_EQ(owner, &progress);
  answer_next_box();
  host.MessageBox("错误提示", "……");
  EXPECT_EQ(owner, &progress);
}

}  // namespace
}  // namespace vexlo::ui
