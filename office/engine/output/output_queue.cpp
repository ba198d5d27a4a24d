#include "office/engine/output/output_queue.h"

namespace vexlo::engine {
namespace {
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

}  // namespace vexlo::engine
