#include "office/engine/output/output_queue.h"

#include "office/engine/output/office_output_queue.h"

namespace vexlo::engine {
namespace {
OutputQueue* test_queue = nullptr;
office::WaitWatch& TheWatch() {
  static office::WaitWatch watch;
  return watch;
}
}  // namespace

const office::WaitWatch& FlushWatch() { return TheWatch(); }

ScopedFlushWatch::ScopedFlushWatch(office::WaitWatch watch) : previous_(std::move(TheWatch())) {
  TheWatch() = std::move(watch);
}

ScopedFlushWatch::~ScopedFlushWatch() { TheWatch() = std::move(previous_); }

OutputQueue& output_queue() {
  static OfficeOutputQueue queue(office_pool());
  return test_queue ? *test_queue : queue;
}

void SetOutputQueueForTest(OutputQueue* queue) { test_queue = queue; }

}  // namespace vexlo::engine
