// The GUI tests' main: one QApplication (offscreen unless a platform is chosen) for all cases.
#include <gtest/gtest.h>

#include <QApplication>

#include "office/engine/engine_services.h"
#include "ui/main/skin.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vexlo::engine::EngineServices services;
  vexlo::ui::InitSkin();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
