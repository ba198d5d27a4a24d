// The progress window: its text, its size taken from the picture, its colours, and its close.
#include "ui/main/w_msg.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

namespace vexlo::ui {
namespace {

TEST(WMsgTest, ShowsExactlyTheTextOnBlueSizedToThePicture) {
  for (const std::string text : {"正在输出，可能需要较长时间，请稍候……", "另一段文字", ""}) {
    QPointer<w_msg> window = new w_msg;
    window->open(text);
    EXPECT_EQ(window->st_1->text().toStdString(), text);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), window->p_1->pixmap().size());
    EXPECT_EQ(window->st_1->palette().color(QPalette::Window), QColor(41, 49, 132));
    EXPECT_EQ(window->st_1->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(window->st_1->geometry(), QRect(186, 48, 287, 20));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(window->frameGeometry().center().x() - screen.center().x()), 1);
    window->wf_close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
  }
}

}  // namespace
}  // namespace vexlo::ui
