// The pictures the window needs: the built-in ones and every button image below resource/, each
// readable and of the size its control is laid out for.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "ui/main/skin.h"

namespace vexlo::ui {
namespace {

QSize SizeOf(const QString& path) { return QImageReader(path).size(); }

TEST(Skin, BuiltInPicturesAreThere) {
  EXPECT_EQ(BackgroundPicture().size(), QSize(712, 481));
  EXPECT_EQ(SizeOf(":/images/output.jpg"), QSize(480, 120));
  EXPECT_FALSE(ApplicationIcon().isNull());
}

TEST(Skin, EveryButtonImageAndItsTwinIsThere) {
  const QString resource = QStringLiteral(VEXLO_SOURCE_DIR) + "/resource/";
  for (const char* name : {"ml", "mlb", "open", "openb", "sl", "slb", "close"}) {
    for (const QString& file : {QString(name) + ".jpg", QString(name) + "2.jpg"}) {
      EXPECT_EQ(SizeOf(resource + file), QSize(32, 32)) << file.toStdString();
    }
  }
  EXPECT_EQ(SizeOf(resource + "ks.jpg"), QSize(129, 54));
  EXPECT_EQ(SizeOf(resource + "ks2.jpg"), QSize(129, 54));
}

TEST(Skin, BandsUnderTheLabelsHaveTheLabelsColours) {
  const QImage back = BackgroundPicture().toImage();
  auto near = [&](QPoint at, QColor want) {
    const QColor got = back.pixelColor(at);
    return std::abs(got.red() - want.red()) < 12 && std::abs(got.green() - want.green()) < 12 &&
           std::abs(got.blue() - want.blue()) < 12;
  };
  EXPECT_TRUE(near({320, 17}, QColor(252, 133, 5)));   // the version label on the banner
  EXPECT_TRUE(near({118, 197}, QColor(1, 114, 62)));   // st_1 on the green band
  EXPECT_TRUE(near({118, 275}, QColor(41, 49, 132)));  // st_2 on the blue area
  EXPECT_TRUE(near({700, 5}, QColor(226, 35, 26)));    // the red corner behind the close button
}

}  // namespace
}  // namespace vexlo::ui
