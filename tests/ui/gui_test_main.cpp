// The GUI tests' main: one QApplication (offscreen unless a platform is chosen) for all cases.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "tests/support/test_engine.h"
#include "ui/main/skin.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The remembered inputs go to a folder of the tests' own, never the user's configuration.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QApplication app(argc, argv);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
  vexlo::test::TestEngine engine;
  vexlo::ui::InitSkin();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
