// The main of the test programs that link the engine: it makes the engine's services for the
// program, as every program's main does, and ends them before it returns.
#ifndef VEXLO_TESTS_SUPPORT_ENGINE_TEST_MAIN_H_
#define VEXLO_TESTS_SUPPORT_ENGINE_TEST_MAIN_H_

namespace vexlo::test {

// Ends the services now, as the end of a program's main does: for a forked child that stands
// for a whole program.
void EndEngineServices();

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_SUPPORT_ENGINE_TEST_MAIN_H_
