// The main of the test programs that link the engine: it builds the program's engine
// (test_engine.h), as every program's main does, and ends it before it returns.
#include <gtest/gtest.h>

#include "tests/support/test_engine.h"

int main(int argc, char** argv) {
  vexlo::test::TestEngine engine;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
