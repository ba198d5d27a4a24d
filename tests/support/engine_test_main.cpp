#include "tests/support/engine_test_main.h"

#include <gtest/gtest.h>

#include <optional>

#include "office/engine/engine_services.h"

namespace vexlo::test {
namespace {
std::optional<engine::EngineServices>* services = nullptr;
}  // namespace

void EndEngineServices() {
  if (services != nullptr) services->reset();
}

}  // namespace vexlo::test

int main(int argc, char** argv) {
  std::optional<vexlo::engine::EngineServices> services;
  services.emplace();
  vexlo::test::services = &services;
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  services.reset();
  vexlo::test::services = nullptr;
  return status;
}
