// A .doc template read in the background: actions held until it is read, the status strip, a
// failure told only when acted on, the window's wiring, and, with LibreOffice, choosing the
// bundled .doc template on a cold cache while the event loop keeps running.
#include "ui/main/template_readiness.h"
#include "tests/support/test_engine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "office/engine/engine_services.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_paths.h"
#include "tests/ui/opening_server.h"
#include "tests/ui/window_graph.h"
#include "ui/main/banner.h"
#include "ui/main/w_vexlo.h"
#include "ui/widgets/uo_icobutton.h"

namespace vexlo::ui {
namespace {

using engine::word::TemplateConversion;
using Lines = std::vector<std::string>;
using Reading = std::shared_future<TemplateConversion>;

Reading Settled(std::string error) {
  std::promise<TemplateConversion> p;
  p.set_value({error.empty() ? "/cache/t.docx" : "", std::move(error)});
  return p.get_future().share();
}

class TemplateReadinessTest : public ::testing::Test {
 protected:
  TemplateReadinessTest()
      : readiness_(
            nullptr, host_, events_,
            [this](const std::string& path) -> Reading {
              if (path.ends_with(".docx")) return {};
              return readings_.at(path);
            },
            [this](const std::string& text) { shown_.push_back(text); },
            [this] { host_.log.push_back("focus sle_2"); }) {}
  bool WaitSettled() {
    return QTest::qWaitFor([this] { return !readiness_.reading(); }, 5000);
  }

  test::ScriptedHost host_;
  app::ErrorRecord error_;
  app::Events events_{error_, [] {}};
  std::vector<std::string> shown_;
  std::map<std::string, Reading> readings_;
  TemplateReadiness readiness_;
};

TEST_F(TemplateReadinessTest, HeldActionRunsOnceReadAndTheLatestWins) {
  std::promise<TemplateConversion> converting;
  readings_["/t/a.doc"] = converting.get_future().share();
  Lines ran;
  readiness_.Chosen("/t/a.doc");
  EXPECT_TRUE(readiness_.reading());
  readiness_.WhenReady("/t/a.doc", [&] { ran.push_back("edit"); });
  readiness_.WhenReady("/t/a.doc", [&] { ran.push_back("start"); });
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(shown_, (Lines{kReadingTemplate, kWaitingForTemplate, kWaitingForTemplate}));
  QTest::qWait(120);  // polled meanwhile: nothing runs before it is read
  EXPECT_TRUE(ran.empty());

  converting.set_value({"/cache/a.docx", ""});
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(ran, (Lines{"start"}));
  EXPECT_EQ(shown_.back(), "");  // the strip's own text again
  EXPECT_FALSE(readiness_.holding());
  EXPECT_TRUE(host_.Boxes().empty());
}

TEST_F(TemplateReadinessTest, NothingToReadOrAlreadyReadRunsAtOnce) {
  readings_["/t/b.doc"] = Settled("");
  int ran = 0;
  readiness_.WhenReady("/t/a.docx", [&] { ++ran; });
  readiness_.WhenReady("/t/b.doc", [&] { ++ran; });
  EXPECT_EQ(ran, 2);
  EXPECT_FALSE(readiness_.reading());
  EXPECT_EQ(shown_, (Lines{"", ""}));

  // A held action follows the field to a template that needs no reading.
  std::promise<TemplateConversion> never;
  readings_["/t/c.doc"] = never.get_future().share();
  readiness_.WhenReady("/t/c.doc", [&] { ++ran; });
  EXPECT_EQ(ran, 2);
  readiness_.Chosen("/t/d.docx");
  EXPECT_EQ(ran, 3);
  EXPECT_FALSE(readiness_.reading());
}

TEST_F(TemplateReadinessTest, AFailureIsToldOnlyWhenTheUserActs) {
  readings_["/t/bad.doc"] = Settled("LibreOffice 无法转换“bad.doc”");
  readiness_.Chosen("/t/bad.doc");
  EXPECT_TRUE(host_.log.empty());
  int ran = 0;
  readiness_.WhenReady("/t/bad.doc", [&] { ++ran; });
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(host_.log, (Lines{"box 错误提示|无法读取模板文件“/t/bad.doc”：\nLibreOffice 无法转换“bad.doc”",
                              "focus sle_2"}));

  // The same when the reading fails while the action is held.
  std::promise<TemplateConversion> converting;
  readings_["/t/late.doc"] = converting.get_future().share();
  readiness_.WhenReady("/t/late.doc", [&] { ++ran; });
  converting.set_value({"", "坏了"});
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(host_.Boxes().back(), "box 错误提示|无法读取模板文件“/t/late.doc”：\n坏了");
}

TEST_F(TemplateReadinessTest, DropForgetsTheHeldAction) {
  std::promise<TemplateConversion> converting;
  readings_["/t/a.doc"] = converting.get_future().share();
  int ran = 0;
  readiness_.WhenReady("/t/a.doc", [&] { ++ran; });
  readiness_.Drop();
  converting.set_value({"/cache/a.docx", ""});
  QTest::qWait(120);
  EXPECT_EQ(ran, 0);
  EXPECT_FALSE(readiness_.reading());
}

// The window: the field starts the reading, the strip says so, and Enter waits for it.
TEST(TemplateReadinessWindow, EnterWhileTheTemplateIsReadStartsOnceItIsRead) {
  test::WindowGraph graph;
  test::ScriptedHost& host = graph.host;
  std::promise<TemplateConversion> converting;
  const Reading reading = converting.get_future().share();
  int asked = 0;
  graph.template_preparer = [&](const std::string& path) -> Reading {
    ++asked;
    return path == "/t/模板.doc" ? reading : Reading();
  };
  {
    w_vexlo w(graph.Context());
    const QString banner = w.st_6->text();
    w.sle_2->setText("/t/模板.doc");
    EXPECT_EQ(w.st_6->text().toStdString(), kReadingTemplate);
    emit w.uo_6->ue_clicked();
    EXPECT_TRUE(host.Boxes().empty());  // the run has not begun
    EXPECT_EQ(w.st_6->text().toStdString(), kWaitingForTemplate);
    converting.set_value({"/cache/模板.docx", ""});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !host.Boxes().empty(); }, 5000));
    // The run began: with no data file it asks for one.
    EXPECT_EQ(host.Boxes(), (Lines{"box 操作提示|请选择Excel数据源文件！"}));
    EXPECT_EQ(w.st_6->text(), banner);
    EXPECT_EQ(asked, 2);
  }
}

// LibreOffice is started by a call posted once the window is up, not while it opens.
TEST(TemplateReadinessWindow, OfficesStartAfterTheWindowIsUp) {
  test::WindowGraph graph;
  test::OpeningServer excel("excel.application", "workbooks");
  test::OpeningServer word("word.application", "documents");
  int started = 0;
  graph.office_starter = [&] { ++started; };
  {
    w_vexlo w(graph.Context());
    w.open();
    EXPECT_EQ(started, 0);
    graph.events.DrainPosted();  // ue_opened, then what it posted
    EXPECT_EQ(started, 1);
    EXPECT_EQ(excel.log.started, 1);  // after the servers' check
  }
}

// With LibreOffice: the bundled .doc template on a cold cache (a fresh cache folder, so the office
// starts and converts it) is chosen in the field and opened with 示例 while a 10 ms timer watches
// the event loop. The loop never stops for long, and the template is opened once it is read.
TEST(TemplateReadinessWindow, ChoosingTheExampleDocOnAColdCacheNeverStallsTheWindow) {
  if (!engine::OfficePool::Available()) GTEST_SKIP() << "LibreOffice is not installed";
  test::ScratchDir cache;
  ASSERT_EQ(::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1), 0);
  test::WindowGraph graph;
  graph.state.as_datapath = VEXLO_SOURCE_DIR;
  graph.template_preparer = LibreOfficePreparer(test::Engine().conversions());
  const std::string example = graph.state.as_datapath + "/示例/模板.doc";
  test::ScriptedHost& host = graph.host;
  test::OpeningServer word("word.application", "documents");
  {
    w_vexlo w(graph.Context());
    w.show();
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    const auto gap = [&] {
      const qint64 now = clock.elapsed();
      longest = std::max(longest, now - last);
      last = now;
    };
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, gap);
    clock.start();
    tick.start();

    w.sle_2->setText(QString::fromStdString(example));
    gap();
    EXPECT_EQ(w.st_6->text().toStdString(), kReadingTemplate);
    emit w.uo_10->ue_clicked();
    gap();
    EXPECT_TRUE(word.log.opened.empty());  // held until it is read
    EXPECT_TRUE(QTest::qWaitFor([&] { return !word.log.opened.empty(); }, 180000));
    gap();
    EXPECT_EQ(word.log.opened, (Lines{example}));
    EXPECT_TRUE(host.Boxes().empty());
    EXPECT_EQ(w.st_6->text().toStdString(), BannerText(graph.facts));
    EXPECT_LT(longest, 250) << "the event loop stopped for " << longest << " ms";
    // The reading went into the cache: the next choice of it is ready at once.
    EXPECT_FALSE(std::filesystem::is_empty(cache / "vexlo/templates"));
    w.template_readiness->Chosen(example);
    EXPECT_FALSE(w.template_readiness->reading());
  }
  test::Engine().pool().Shutdown();
  ::unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace vexlo::ui
