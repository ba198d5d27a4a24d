#include "office/engine/soffice/pool_state.h"

#include "office/engine/soffice/office.h"

namespace vexlo::engine {

PoolState::PoolState(const OfficePoolOptions& options)
    : options(options),
      queue({.coalesce_wait = options.coalesce_wait,
             .join_records = options.join_records,
             .offices = options.offices}),
      bases(options.doc_from_base) {}

void PoolState::Count(int PoolCounters::*counter) {
  std::lock_guard lock(mutex);
  ++(counters.*counter);
}

void PoolState::SetBusy(Office& office, std::chrono::milliseconds limit) {
  std::lock_guard lock(mutex);
  office.busy = true;
  office.deadline = std::chrono::steady_clock::now() + limit;
}

void PoolState::SetIdle(Office& office) {
  std::lock_guard lock(mutex);
  office.busy = false;
}

}  // namespace vexlo::engine
