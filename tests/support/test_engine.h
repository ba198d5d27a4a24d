// The engine of a test program, built by its main as every program's main builds one: the
// engine's services and the embedded servers registered with them, ended before main returns;
// a case that runs a merge passes the engine's deferred work in its request. Cases reach it through Engine() (to register the
// servers with it again after a fake took their place), or build a graph of their own with
// fakes in its place.
#ifndef VEXLO_TESTS_SUPPORT_TEST_ENGINE_H_
#define VEXLO_TESTS_SUPPORT_TEST_ENGINE_H_

#include <optional>

#include "office/engine/engine_services.h"

namespace vexlo::test {

// Made by main for the program's life.
class TestEngine {
 public:
  TestEngine();
  ~TestEngine();
  TestEngine(const TestEngine&) = delete;
  TestEngine& operator=(const TestEngine&) = delete;

 private:
  std::optional<engine::EngineServices> services_;
};

// The test program's engine; valid until EndEngineServices.
engine::EngineServices& Engine();

// Ends the services now, as the end of a program's main does: for a forked child that stands
// for a whole program.
void EndEngineServices();

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_SUPPORT_TEST_ENGINE_H_
