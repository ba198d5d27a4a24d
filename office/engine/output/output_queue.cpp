#include "office/engine/output/output_queue.h"

#include "office/engine/output/batch_output_queue.h"

namespace vexlo::engine {
namespace {
OutputQueue* test_queue = nullptr;
}  // namespace

OutputQueue& output_queue() {
  static BatchOutputQueue queue;
  return test_queue ? *test_queue : queue;
}

void SetOutputQueueForTest(OutputQueue* queue) { test_queue = queue; }

}  // namespace vexlo::engine
