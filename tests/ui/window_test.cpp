// The main window: layout, fonts, colours and texts; the open sequence (region, default folder,
// posted ue_opened with fit, page and the Office presence check); closing; the buttons' wiring;
// and the Qt host on the real controls.
#include "ui/main/w_vexlo.h"

#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QToolTip>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QValidator>

#include "office/engine/register_servers.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/server_registry.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"
#include "tests/ui/opening_server.h"
#include "tests/ui/window_graph.h"
#include "ui/main/banner.h"
#include "ui/main/qt_host.h"
#include "ui/main/skin.h"
#include "ui/main/translations.h"
#include "ui/main/web_panel.h"
#include "ui/main/window_merge_observer.h"
#include "ui/widgets/uo_icobutton.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {
namespace {

using Lines = std::vector<std::string>;

const QColor kBlue(41, 49, 132);

QColor Background(const QWidget* w) { return w->palette().color(w->backgroundRole()); }
QColor Foreground(const QWidget* w) { return w->palette().color(w->foregroundRole()); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "vexlo", "vexlo").clear();
  }
  // Runs the open event and the posted ue_opened.
  void OpenAndSettle(w_vexlo& w) {
    w.open();
    graph_.events.DrainPosted();
  }

  test::WindowGraph graph_;
  test::ScriptedHost& host_ = graph_.host;
};

// The layout as a user sees it: everything inside the window, no control hiding another, every
// text readable in full, the picture at the back and the warning on its strip.
TEST_F(WindowTest, ControlsStayInsideDoNotOverlapAndTheirTextsFit) {
  w_vexlo w(graph_.Context());
  OpenAndSettle(w);
  const QRect inside(0, 0, 712, 508);
  QList<QWidget*> controls;
  for (QWidget* c : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (c == w.p_1 || c->objectName().isEmpty()) continue;
    EXPECT_TRUE(inside.contains(c->geometry())) << c->objectName().toStdString();
    controls << c;
  }
  for (QWidget* a : controls) {
    for (QWidget* b : controls) {
      // The warning lies on its strip by design.
      if (a >= b || (a == w.st_6 && b == w.st_7) || (a == w.st_7 && b == w.st_6)) continue;
      EXPECT_FALSE(a->geometry().intersects(b->geometry()))
          << a->objectName().toStdString() << " / " << b->objectName().toStdString();
    }
  }
  for (QLabel* label : {w.st_ver, w.st_1, w.st_2, w.st_3, w.st_5, w.st_6, w.st_8}) {
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width())
        << label->objectName().toStdString();
  }
  // Every text the strip may show fits it.
  for (const DesktopFacts facts : {DesktopFacts{true, true}, DesktopFacts{false, true},
                                   DesktopFacts{true, false}, DesktopFacts{false, false}}) {
    const QString text = QString::fromStdString(BannerText(facts));
    EXPECT_LE(QFontMetrics(w.st_6->font()).horizontalAdvance(text), w.st_6->width())
        << text.toStdString();
  }
  const QObjectList& kids = w.children();
  EXPECT_LT(kids.indexOf(w.p_1), kids.indexOf(w.st_ver));
  EXPECT_GT(kids.indexOf(w.st_6), kids.indexOf(w.st_7));
  EXPECT_TRUE(w.st_7->geometry().contains(w.st_6->geometry()));
  EXPECT_EQ(w.p_1->pixmap().size(), QSize(712, 481));
}

TEST_F(WindowTest, TextsOptionsAndButtonImages) {
  w_vexlo w(graph_.Context());
  EXPECT_EQ(w.st_ver->text(), "2.6");
  EXPECT_EQ(w.st_6->text().toStdString(), BannerText(graph_.facts));
  EXPECT_FALSE(w.st_6->text().contains("Windows"));
  EXPECT_EQ(w.st_1->text(), "Excel数据文件：");
  EXPECT_EQ(w.st_2->text(), "Word模版文件：");
  EXPECT_EQ(w.st_3->text(), "输出路径：");
  EXPECT_EQ(w.st_5->text(), "份");
  EXPECT_EQ(w.cbx_3->text(), "可见生成过程");
  EXPECT_EQ(w.cbx_2->text(), "输出后打印  打印");
  EXPECT_EQ(w.cbx_4->text(), "同时输出为PDF文件");
  EXPECT_EQ(w.cbx_1->text(), "输出到同一个文件");
  EXPECT_EQ(w.cbx_5->text(), "数值按表格格式");
  EXPECT_TRUE(w.cbx_3->isChecked());
  EXPECT_FALSE(w.cbx_1->isChecked() || w.cbx_2->isChecked() || w.cbx_4->isChecked() ||
               w.cbx_5->isChecked());
  EXPECT_EQ(w.em_1->text(), "1");
  EXPECT_TRUE(w.em_1->isEnabled());  // enabled although cbx_2 is unchecked
  for (QLineEdit* field : {w.sle_1, w.sle_2, w.sle_3}) {
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_FALSE(field->hasFrame());
  }
  EXPECT_EQ(w.uo_6->s_text, "开始制作");
  EXPECT_EQ(w.uo_6->s_tag, "");
  EXPECT_EQ(w.uo_6->p_1->pictures().normal, "/srv/vexlo/resource/ks.jpg");
  EXPECT_EQ(w.uo_1->s_tag, "选择EXCEL数据文件");
  EXPECT_EQ(w.uo_3->s_tag, "选择WORD模板文件");
  EXPECT_EQ(w.uo_7->s_up2, "resource/close2.jpg");
  for (uo_icobutton* b : {w.uo_1, w.uo_4, w.uo_7, w.uo_10}) EXPECT_EQ(b->s_up3, b->s_up1);
}

TEST_F(WindowTest, ValuesAsShownBoxGoesIntoTheRequest) {
  w_vexlo w(graph_.Context());
  EXPECT_FALSE(RequestFromWindow(w).as_shown);
  w.cbx_5->setChecked(true);
  EXPECT_TRUE(RequestFromWindow(w).as_shown);
}

// The workbook saved with its notes sheet in front: choosing the file lists its sheets with the
// active one chosen, the user picks the data sheet, the request carries it, and the next session
// shows it again. A file that is no workbook leaves the list empty and the request without one.
TEST_F(WindowTest, SheetListFollowsTheDataFileAndIsRemembered) {
  engine::RegisterSpreadsheetServer(test::Engine().sheet());
  test::ScratchDir dir;
  const std::string data = (dir / "说明在前.xlsx").string();
  std::filesystem::copy_file(test::DataFile("merge/说明在前.xlsx"), data);
  {
    QtHost host(nullptr);
    w_vexlo w(graph_.Context(host));
    host.SetMainWindow(&w);
    EXPECT_FALSE(w.ddlb_1->isEnabled());
    w.sle_1->setText(QString::fromStdString(data));
    ASSERT_EQ(w.ddlb_1->count(), 2);
    EXPECT_EQ(w.ddlb_1->itemText(1), "工资");
    EXPECT_EQ(w.ddlb_1->currentText(), "说明");  // the sheet the file was saved with in front
    EXPECT_TRUE(w.ddlb_1->isEnabled());
    w.ddlb_1->setCurrentIndex(1);
    EXPECT_EQ(RequestFromWindow(w).sheet, "工资");
    w.close();
  }
  {
    QtHost host(nullptr);
    w_vexlo w(graph_.Context(host));
    host.SetMainWindow(&w);
    w.open();
    EXPECT_EQ(w.sle_1->text().toStdString(), data);
    EXPECT_EQ(w.ddlb_1->currentText(), "工资");

    const std::string other = (dir / "名单.xlsx").string();
    test::WriteFile(other, "这不是工作簿");
    w.sle_1->setText(QString::fromStdString(other));
    EXPECT_EQ(w.ddlb_1->count(), 0);
    EXPECT_FALSE(w.ddlb_1->isEnabled());
    EXPECT_EQ(RequestFromWindow(w).sheet, "");
  }
  office::UnregisterServer("excel.application");
}

TEST_F(WindowTest, FontsAndColoursBeforeAndAfterOpen) {
  w_vexlo w(graph_.Context());
  EXPECT_EQ(w.st_6->font().family(), "宋体");
  EXPECT_EQ(w.st_6->font().pixelSize(), 16);
  EXPECT_TRUE(w.st_6->font().bold());
  EXPECT_EQ(w.st_ver->font().pixelSize(), 24);
  EXPECT_EQ(w.sle_1->font().pixelSize(), 13);
  EXPECT_EQ(w.cbx_1->font().pixelSize(), 12);
  EXPECT_EQ(Background(w.st_1), QColor(160, 160, 164));
  EXPECT_EQ(Background(w.cbx_2), QColor(160, 160, 164));

  w.open();
  EXPECT_EQ(Background(w.st_ver), QColor(252, 133, 5));
  EXPECT_EQ(Foreground(w.st_ver), QColor(Qt::white));
  EXPECT_EQ(Background(w.st_1), QColor(1, 114, 62));
  // Every option on the blue band, those added later too, is recoloured with it.
  QList<QWidget*> blue{w.st_2, w.st_3, w.st_5};
  for (QCheckBox* box : w.findChildren<QCheckBox*>(QString(), Qt::FindDirectChildrenOnly)) {
    blue.push_back(box);
  }
  for (QWidget* c : blue) {
    EXPECT_EQ(Background(c), kBlue) << c->objectName().toStdString();
    EXPECT_EQ(Foreground(c), QColor(Qt::white)) << c->objectName().toStdString();
  }
  // The copies field is a white field like the path fields, also after the recolouring.
  EXPECT_EQ(w.em_1->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(w.sle_1->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(Background(w.st_7), QColor(255, 0, 0));
  EXPECT_EQ(Foreground(w.st_6), QColor(255, 251, 240));
  EXPECT_EQ(w.sle_2->palette().color(QPalette::Text), QColor(128, 128, 128));
}

TEST_F(WindowTest, CopiesFieldStaysWithinOneToFifty) {
  w_vexlo w(graph_.Context());
  QTest::keyClick(w.em_1, Qt::Key_Down);
  EXPECT_EQ(w.em_1->text(), "1");
  w.em_1->setText("49");
  QTest::keyClick(w.em_1, Qt::Key_Up);
  QTest::keyClick(w.em_1, Qt::Key_Up);
  EXPECT_EQ(w.em_1->text(), "50");
  // A number outside the range stays as typed, also when the field loses the focus: the start
  // refuses it with the range message instead of printing another number of copies.
  w.show();
  for (const char* typed : {"73", "0", "99"}) {
    w.em_1->setFocus();
    w.em_1->selectAll();
    QTest::keyClicks(w.em_1, typed);
    w.sle_1->setFocus();  // editing ends
    EXPECT_EQ(w.em_1->text(), typed);
  }
  w.em_1->setFocus();
  w.em_1->setText("");
  w.sle_1->setFocus();
  EXPECT_EQ(w.em_1->text(), "");
}

TEST_F(WindowTest, TabReachesEveryButtonRowByRowAndMarksTheFocus) {
  w_vexlo w(graph_.Context());
  w.show();
  w.OpenWindow();
  QApplication::setActiveWindow(&w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  ASSERT_EQ(QApplication::focusWidget(), w.sle_1);  // where Enter starts the run
  QWidget* mark = nullptr;
  for (QWidget* c : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (c->objectName().isEmpty() && c->testAttribute(Qt::WA_TransparentForMouseEvents)) mark = c;
  }
  ASSERT_NE(mark, nullptr);
  EXPECT_FALSE(mark->isVisible());  // not for a focus the program set
  Lines visited;
  for (int i = 0; i < 28; ++i) {
    QWidget* focus = QApplication::focusWidget();
    while (focus != nullptr && focus->parentWidget() != &w) focus = focus->parentWidget();
    ASSERT_NE(focus, nullptr);
    visited.push_back(focus->objectName().toStdString());
    if (i > 0) {
      EXPECT_TRUE(mark->isVisible()) << visited.back();
      EXPECT_TRUE(mark->geometry().contains(focus->geometry())) << visited.back();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited, (Lines{"sle_1", "uo_1", "uo_2", "uo_9", "sle_2", "uo_3", "uo_4", "uo_10",
                            "sle_3", "uo_5", "uo_8", "cbx_3", "cbx_2", "em_1", "cbx_1", "cbx_4",
                            "cbx_5", "cbx_6", "cbx_7", "pb_mail", "cb_records", "cbx_protect",
                            "ddlb_password", "em_last", "uo_6", "cb_1", "ole_1", "uo_7"}));
}

TEST_F(WindowTest, EnterStartsTheRunAndAFocusedButtonTakesSpaceAndEnter) {
  w_vexlo w(graph_.Context());
  w.show();
  QApplication::setActiveWindow(&w);
  // Enter in a field or on an option starts the run (which asks for the data file first).
  for (QWidget* c : std::initializer_list<QWidget*>{w.sle_2, w.cbx_1, w.em_1}) {
    c->setFocus();
    QTest::keyClick(c, Qt::Key_Return);
  }
  QTest::keyClick(w.cbx_1, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(host_.Boxes(), Lines(4, "box 操作提示|请选择Excel数据源文件！"));
  host_.log.clear();
  // Space and Enter on a focused icon button run that button's command, not the start.
  host_.file_answers = {"/a/数据.xls", "/b/数据.xlsx"};
  w.uo_1->setFocus(Qt::TabFocusReason);
  QTest::keyClick(w.uo_1, Qt::Key_Space);
  EXPECT_EQ(w.sle_1->text(), "/a/数据.xls");
  QTest::keyClick(w.uo_1, Qt::Key_Return);
  EXPECT_EQ(w.sle_1->text(), "/b/数据.xlsx");
  EXPECT_TRUE(host_.Boxes().empty());
  // A modifier leaves Enter alone.
  QTest::keyClick(w.sle_2, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(host_.Boxes().empty());
}

TEST_F(WindowTest, CopiesFieldSaysWhyAKeyWasRefused) {
  w_vexlo w(graph_.Context());
  w.show();
  QToolTip::hideText();
  ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
  w.em_1->setFocus();
  w.em_1->selectAll();
  QTest::keyClicks(w.em_1, "4");
  EXPECT_FALSE(QToolTip::isVisible());
  QTest::keyClicks(w.em_1, "x");
  EXPECT_EQ(w.em_1->text(), "4");
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8(kCopiesRefused));
  QToolTip::hideText();
  ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
  QTest::keyClicks(w.em_1, "9");  // 49 is taken
  EXPECT_EQ(w.em_1->text(), "49");
  QTest::keyClicks(w.em_1, "1");  // 491 is not
  EXPECT_EQ(w.em_1->text(), "49");
  EXPECT_TRUE(QToolTip::isVisible());
  QToolTip::hideText();
  ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
  QTest::keyClick(w.em_1, Qt::Key_Backspace);  // editing keys say nothing
  EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(WindowTest, APathCanBePastedButNotTyped) {
  w_vexlo w(graph_.Context());
  w.show();
  QGuiApplication::clipboard()->setText("file:///home/me/%E6%95%B0%E6%8D%AE.xlsx\n");
  w.sle_1->setFocus();
  QTest::keyClicks(w.sle_1, "abc");
  EXPECT_EQ(w.sle_1->text(), "");
  QTest::keySequence(w.sle_1, QKeySequence::Paste);
  EXPECT_EQ(w.sle_1->text(), "/home/me/数据.xlsx");
  QGuiApplication::clipboard()->setText("   ");
  QTest::keySequence(w.sle_1, QKeySequence::Paste);  // nothing to paste: the field stays
  EXPECT_EQ(w.sle_1->text(), "/home/me/数据.xlsx");
}

TEST_F(WindowTest, FilesDroppedOnTheWindowFillTheirFields) {
  test::ScratchDir dir;
  test::WriteFile(dir / "名单.xlsx", "x");
  test::WriteFile(dir / "说明.txt", "x");
  w_vexlo w(graph_.Context());
  w.show();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "名单.xlsx").string())),
                QUrl::fromLocalFile(QString::fromStdString(dir.path().string())),
                QUrl("https://example.org/a.docx")});
  QDragEnterEvent enter(QPoint(300, 150), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(300, 150), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &drop);
  EXPECT_EQ(w.sle_1->text().toStdString(), (dir / "名单.xlsx").string());
  EXPECT_EQ(w.sle_3->text().toStdString(), dir.path().string());
  EXPECT_EQ(w.sle_2->text(), "");  // a web address is not a file

  QMimeData other;
  other.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "说明.txt").string()))});
  QDragEnterEvent refused(QPoint(300, 150), Qt::CopyAction, &other, Qt::LeftButton,
                          Qt::NoModifier);
  QApplication::sendEvent(&w, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST_F(WindowTest, OpenRoundsTheCornersSetsTheFolderAndPostsTheRest) {
  w_vexlo w(graph_.Context());
  w.open();
  EXPECT_EQ(w.sle_3->text(), "/home/用户");
  ASSERT_NE(w.uo_drawroundrectwin, nullptr);
  EXPECT_EQ(w.mask().boundingRect(), QRect(0, 0, 714, 508));  // computed for 714
  EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
  EXPECT_EQ(graph_.events.PostedCount(), 1u);
  EXPECT_EQ(w.size(), QSize(714, 508));  // not fitted yet
  graph_.events.DrainPosted();
  EXPECT_EQ(w.size(), QSize(712, 508));
  EXPECT_EQ(w.ole_1->page(), "/srv/vexlo/html/bottom.html");
  EXPECT_EQ(w.ole_1->size(), QSize(267, 41));  // the panel is never moved or resized
  EXPECT_EQ(host_.keep_alive_calls, 1);        // painted before the servers are started
}

TEST_F(WindowTest, PresenceCheckStartsEachServerAndLetsItGo) {
  test::OpeningServer excel("excel.application", "workbooks");
  test::OpeningServer word("word.application", "documents");
  w_vexlo w(graph_.Context());
  OpenAndSettle(w);
  EXPECT_TRUE(host_.Boxes().empty());
  ASSERT_TRUE(w.excelserver && w.wordserver && w.wordserver2);
  EXPECT_FALSE(w.excelserver->connected());
  EXPECT_FALSE(w.wordserver->connected());
  EXPECT_FALSE(w.wordserver2->connected());
  EXPECT_EQ(word.log.started, 2);
  EXPECT_EQ(excel.log.started, 1);
}

TEST_F(WindowTest, PresenceCheckKeepsARunningWordProcessor) {
  test::OpeningServer excel("excel.application", "workbooks");
  test::OpeningServer word("word.application", "documents");
  office::oleobject running;
  ASSERT_EQ(running.start_new("word.application"), office::kConnectOk);
  {
    w_vexlo w(graph_.Context());
    OpenAndSettle(w);
    EXPECT_TRUE(w.wordserver->connected());
    EXPECT_TRUE(w.wordserver2->connected());
    EXPECT_EQ(word.log.started, 1);
    w.close();
    // The close event destroyed the three handles.
    EXPECT_EQ(w.excelserver, nullptr);
    EXPECT_EQ(w.wordserver, nullptr);
    EXPECT_EQ(w.wordserver2, nullptr);
  }
  EXPECT_TRUE(running.connected());
}

TEST_F(WindowTest, PresenceCheckWithoutSpreadsheetStopsAtOnce) {
  office::UnregisterServer("excel.application");  // no spreadsheet on this computer
  test::OpeningServer word("word.application", "documents");
  w_vexlo w(graph_.Context());
  OpenAndSettle(w);
  EXPECT_EQ(host_.Boxes(),
            (Lines{"box 错误提示|连接到EXCEL失败！错误码：-2请确认您的系统是否已经安装Office "
                   "Excel程序，Windows10系统请以管理员身份运行程序。"}));
  EXPECT_NE(w.excelserver, nullptr);
  EXPECT_EQ(w.wordserver, nullptr);
  EXPECT_EQ(w.wordserver2, nullptr);
  EXPECT_EQ(word.log.started, 0);
}

TEST_F(WindowTest, PresenceCheckReportsEachWordStep) {
  test::OpeningServer excel("excel.application", "workbooks");
  {
    test::OpeningServer word("word.application", "documents", 0);
    w_vexlo w(graph_.Context());
    OpenAndSettle(w);
    EXPECT_EQ(w.wordserver2, nullptr);
  }
  {
    test::OpeningServer word("word.application", "documents", 1);
    w_vexlo w(graph_.Context());
    OpenAndSettle(w);
    EXPECT_NE(w.wordserver2, nullptr);
  }
  EXPECT_EQ(host_.Boxes(),
            (Lines{"box 错误提示|连接到Word失败！错误码：-3请确认您的系统是否已经安装Office "
                   "Word程序，Windows10系统请以管理员身份运行程序。",
                   "box 错误提示|连接到Word失败！错误码：-3请确认您的系统是否已经安装Office "
                   "Word程序。"}));
}

TEST_F(WindowTest, ButtonsRunTheirCommands) {
  w_vexlo w(graph_.Context());
  // The start button runs the merge with the (empty) fields as its request.
  emit w.uo_6->ue_clicked();
  EXPECT_EQ(host_.log, (Lines{"box 操作提示|请选择Excel数据源文件！"}));
  EXPECT_EQ(w.focusWidget(), w.sle_1);
  host_.file_answers = {"/x/数据.xls"};
  emit w.uo_1->ue_clicked();
  EXPECT_EQ(w.sle_1->text(), "/x/数据.xls");
  emit w.uo_8->ue_clicked();
  emit w.uo_4->ue_clicked();
  EXPECT_EQ(host_.log.back(), "box 操作提示|您还没有选择Word模版文件！");
  EXPECT_EQ(w.focusWidget(), w.sle_2);
  EXPECT_EQ(host_.log[host_.log.size() - 2], "shell /home/用户");
  w.show();
  emit w.uo_7->ue_clicked();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, ControlsKeepTheMouseAndOnlyTheBackgroundDrags) {
  w_vexlo w(graph_.Context());
  for (QWidget* c : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (c == w.p_1 || c->objectName().isEmpty()) {  // the picture and the focus mark
      EXPECT_TRUE(c->testAttribute(Qt::WA_TransparentForMouseEvents));
    } else {
      EXPECT_TRUE(c->testAttribute(Qt::WA_NoMousePropagation)) << c->objectName().toStdString();
    }
  }
  const QPoint before = w.pos();
  w.mousemove(2, 10, 10);  // right button: nothing
  EXPECT_EQ(w.pos(), before);
}

// The controls' values go out in one request and come back from one: what a command or the
// remembered inputs write is what the run reads; 输出后打印 drives the copies field.
TEST_F(WindowTest, InputsAreReadAndWrittenAsOneRequest) {
  w_vexlo w(graph_.Context());
  w.show();
  merge::MergeRequest inputs = w.ReadInputs();
  EXPECT_EQ(inputs.copies_text, "1");
  EXPECT_TRUE(inputs.visible);
  EXPECT_FALSE(inputs.mail);
  inputs.data_path = "/a/数据.xls";
  inputs.template_path = "/a/模板.docx";
  inputs.output_folder = "/a/输出";
  inputs.copies_text = "12";
  inputs.pdf = inputs.one_file = inputs.print = true;
  inputs.visible = false;
  w.WriteInputs(inputs);
  EXPECT_EQ(w.sle_1->text(), "/a/数据.xls");
  EXPECT_EQ(w.em_1->text(), "12");
  EXPECT_TRUE(w.cbx_4->isChecked() && w.cbx_1->isChecked() && w.cbx_2->isChecked());
  EXPECT_TRUE(w.em_1->isEnabled());
  const merge::MergeRequest again = w.ReadInputs();
  EXPECT_EQ(again.template_path, "/a/模板.docx");
  EXPECT_EQ(again.output_folder, "/a/输出");
  EXPECT_FALSE(again.visible);
  // What the run is given adds the start-up folder and the engine's deferred work.
  EXPECT_EQ(RequestFromWindow(w).current_folder, "/home/用户");
  EXPECT_EQ(RequestFromWindow(w).deferred, graph_.deferred);
  EXPECT_NE(graph_.deferred, nullptr);

  // cbx_2 drives em_1: the click that unticks it disables it, the next enables it again.
  w.cbx_2->click();
  EXPECT_FALSE(w.em_1->isEnabled());
  w.cbx_2->click();
  EXPECT_TRUE(w.em_1->isEnabled());
  w.FocusField(merge::MergeField::kCopies);
  EXPECT_EQ(w.focusWidget(), w.em_1);
}

// The icon of each message box, as the user saw it.
QMessageBox::Icon IconOfBox(QtHost& host, const std::string& title) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      icon = box->icon();
      box->accept();
    }
  });
  host.MessageBox(title, "正文");
  return icon;
}

TEST(QtHostTest, ErrorBoxesWarnOthersInform) {
  QtHost host(nullptr);
  EXPECT_EQ(IconOfBox(host, "错误提示"), QMessageBox::Warning);
  EXPECT_EQ(IconOfBox(host, "操作提示"), QMessageBox::Information);
}

TEST_F(WindowTest, OpenShowsWhatThePreviousSessionLeft) {
  test::ScratchDir dir;
  const std::string data = (dir / "工资.csv").string();
  test::WriteFile(data, "姓名\n张三\n");
  {
    QtHost host(nullptr);
    w_vexlo w(graph_.Context(host));
    host.SetMainWindow(&w);
    w.sle_1->setText(QString::fromStdString(data));
    w.sle_3->setText(QString::fromStdString(dir.path().string()));
    w.cbx_2->click();
    w.em_1->setText("12");
    w.close();
  }
  {
    QtHost host(nullptr);
    w_vexlo w(graph_.Context(host));
    host.SetMainWindow(&w);
    w.open();
    EXPECT_EQ(w.sle_1->text().toStdString(), data);
    EXPECT_EQ(w.sle_3->text().toStdString(), dir.path().string());
    EXPECT_TRUE(w.cbx_2->isChecked());
    EXPECT_TRUE(w.em_1->isEnabled());
    EXPECT_EQ(w.em_1->text(), "12");
  }
}

TEST(QtHostTest, FileDialogsSpeakChinese) {
  LoadQtTranslations();
  // The type column of Qt's own dialog, which its Chinese catalogue lacks.
  test::ScratchDir dir;
  EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QString::fromStdString(dir.path().string()))),
            "文件夹");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "查找范围：");
  for (const QFileDialog::FileMode mode : {QFileDialog::ExistingFile, QFileDialog::Directory}) {
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(mode);
    SetChineseLabels(dialog);
    EXPECT_EQ(dialog.labelText(QFileDialog::Reject), "取消");
    EXPECT_EQ(dialog.labelText(QFileDialog::Accept),
              mode == QFileDialog::Directory ? "选择" : "打开");
    EXPECT_EQ(dialog.labelText(QFileDialog::FileType), "文件类型：");
  }
}

TEST(QtHostTest, FilterPairsBecomeNameFilters) {
  EXPECT_EQ(NameFilters("Excel 97-2003文件 (*.xls),*.xls,Excel 文件 (*.xlsx),*.xlsx"),
            (QStringList{"Excel 97-2003文件 (*.xls)", "Excel 文件 (*.xlsx)"}));
  EXPECT_EQ(NameFilters("文本,*.txt"), (QStringList{"文本 (*.txt)"}));
}

}  // namespace
}  // namespace vexlo::ui
