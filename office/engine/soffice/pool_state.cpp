#include "office/engine/soffice/pool_state.h"

#include "office/engine/soffice/office.h"

namespace vexlo::engine {

PoolState::PoolState(const OfficePoolOptions& options)
    : options(options),
      queue({.coalesce_wait = options.coalesce_wait,
             .join_records = options.join_records,
             .offices = options.offices}),
      times(options.stall),
      bases(options.doc_from_base) {}

void PoolState::Count(int PoolCounters::*counter) {
  std::lock_guard lock(mutex);
  ++(counters.*counter);
}

void PoolState::BeginJob(Office& office, JobKind kind, int units, std::chrono::milliseconds hard_limit) {
  {
    std::lock_guard lock(mutex);
    const bool first = office.jobs++ == 0;
    office.job.Begin(kind, units, std::chrono::steady_clock::now(), hard_limit, times.Allowance(kind, units, first));
  }
  wake.notify_all();  // for those who wait for a job to be under way (tests)
}

void PoolState::EndJob(Office& office, bool completed) {
  const JobKind kind = office.job.kind();
  const int units = office.job.units();
  const std::chrono::nanoseconds took = office.job.End(std::chrono::steady_clock::now(), completed);
  if (took.count() > 0) times.Add(kind, units, took);
}

}  // namespace vexlo::engine
