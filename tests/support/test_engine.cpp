#include "tests/support/test_engine.h"

#include <stdexcept>

#include "office/engine/register_servers.h"

namespace vexlo::test {
namespace {
// main's engine, for the cases, which gtest runs without arguments of their own.
std::optional<engine::EngineServices>* the_services = nullptr;
}  // namespace

TestEngine::TestEngine() {
  services_.emplace();
  the_services = &services_;
  engine::RegisterEmbeddedServers(*services_);
}

TestEngine::~TestEngine() {
  EndEngineServices();
  the_services = nullptr;
}

engine::EngineServices& Engine() {
  if (the_services == nullptr || !the_services->has_value()) {
    throw std::logic_error("the test program's engine has ended");
  }
  return **the_services;
}

void EndEngineServices() {
  if (the_services == nullptr || !the_services->has_value()) return;
  the_services->reset();
}

}  // namespace vexlo::test
