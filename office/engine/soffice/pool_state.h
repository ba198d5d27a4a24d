// What the office pool's threads share: the options, the lock and its condition, the queue, the
// counters, the .doc bases, the templates filled directly and the delivery of finished files. No UNO, so that every unit of the
// pool may use it.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_POOL_STATE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_POOL_STATE_H_

#include <chrono>
#include <condition_variable>
#include <atomic>
#include <mutex>
#include <string>

#include "office/engine/soffice/delivery.h"
#include "office/engine/soffice/direct_fill.h"
#include "office/engine/soffice/doc_bases.h"
#include "office/engine/soffice/job_queue.h"
#include "office/engine/soffice/joined_export_log.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/stall_watch.h"

namespace vexlo::engine {

struct Office;

struct PoolCounters {
  int loads = 0;      // documents loaded
  int starts = 0;     // offices started
  int replaced = 0;   // offices replaced because they grew
  int joined = 0;     // PDFs cut from joined exports
  int from_base = 0;  // .doc files written from a base
  int stalled = 0;    // offices replaced because a job stalled in them
};

class PoolState {
 public:
  explicit PoolState(const OfficePoolOptions& options);

  const OfficePoolOptions options;
  mutable std::mutex mutex;
  std::condition_variable wake;
  // Guarded by `mutex`.
  JobQueue queue;
  PoolCounters counters;
  JobTimes times;
  bool stopping = false;
  bool paused = false;  // no waiting job is begun (Pause)
  bool watchdog_stop = false;
  bool exiting = false;
  // A write in an office's folder failed for want of room or a read-only disk: every job fails
  // at once (with the reason) until a check finds the folder writable again.
  bool folder_fault = false;
  std::string fonts_env;  // set before the workers start

  DocBases bases;
  JoinedPathLog joined_log;
  // The page count most records of the latest joined export that showed page counts came out
  // in: what the records of the next such exports are expected to show (0: none learned yet).
  std::atomic<int> usual_pages{0};
  DirectTemplates direct;  // .doc templates whose records are filled in the original
  const Delivery delivery{mutex, queue};

  // Adds one to a counter (takes the lock).
  void Count(int PoolCounters::*counter);
  // Caller holds `mutex`. Whether `task` is no longer wanted: cancelled or shutting down.
  bool Dropped(const Task& task) const { return !queue.Current(task) || stopping; }
  // `office` begins a job of `kind` over `units` records, which the watchdog lets run for
  // `hard_limit` at most, and less while the office makes no progress (stall_watch.h). Takes
  // the lock.
  void BeginJob(Office& office, JobKind kind, int units, std::chrono::milliseconds hard_limit);
  // Caller holds `mutex`. The office's job is over; when it `completed`, its time counts towards
  // its kind's median.
  void EndJob(Office& office, bool completed);
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_POOL_STATE_H_
