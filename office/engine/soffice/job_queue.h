// The documents waiting for an office, and which of them an office takes next.
//
// A job whose source holds the same bytes as one still waiting joins it (one load serves both);
// a target path asked for again replaces the waiting request for it, and only the newest request
// for a path may put a file there (Newest). PDFs of packages are handed out in batches to be
// joined into one export (page_batch.h), unless they show a stored file (StoreTarget::via).
// Cancel starts a new generation: tasks of an earlier one are not to be delivered. No locking of
// its own: the pool calls it under its lock. Touches no file and no office, so that it runs in
// tests with plain fake jobs.
// Convention: cannot fail; a task ends with its ConversionOutcome (a Result, status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_JOB_QUEUE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_JOB_QUEUE_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "office/engine/soffice/conversion_job.h"

namespace vexlo::engine {

using PoolClock = std::chrono::steady_clock;

// One queued job and its promise.
struct Task {
  ConversionJob job;
  std::promise<ConversionOutcome> promise;
  std::shared_future<ConversionOutcome> future;
  std::string digest;  // of the source's bytes, when it was queued
  std::uintmax_t size = 0;
  int attempts = 0;
  int generation = 0;
  PoolClock::time_point queued;
  bool zip = false;    // the source is a zip package (a .docx, whatever its name)
  bool alone = false;  // not to be joined with others (it could not be, or a joined export failed)
  // A joined export of it ended with its office (died, stalled): it is joined once more, on a
  // fresh office, before it is made alone.
  bool export_retried = false;
  // The pages it came out in from a joined export that showed it another page count: it is
  // joined again showing this one (once; then it is made alone).
  int learned_pages = 0;
};

// A task for `job` whose source holds `bytes`, queued now.
std::shared_ptr<Task> MakeTask(ConversionJob job, std::string_view bytes);
// The same, reading the source (which may take a while: not under the pool's lock).
std::shared_ptr<Task> ReadTask(ConversionJob job);

// Ends `task`: its source goes when it was handed over, and its waiters get `outcome`.
void FinishTask(Task& task, ConversionOutcome outcome);

struct QueueRules {
  // The newest job waits this long for a twin (the PDF of the record whose .doc it is).
  std::chrono::milliseconds coalesce_wait{120};
  bool join_records = true;  // PDFs of packages are made in batches
  int offices = 1;           // the batches share what waits among this many offices
};

class JobQueue {
 public:
  explicit JobQueue(QueueRules rules) : rules_(rules) {}

  struct Added {
    std::shared_future<ConversionOutcome> future;  // the outcome of the new job
    // Waiting tasks left with nothing to make (every target asked for again): done.
    std::vector<std::shared_ptr<Task>> superseded;
    // The new job joined a waiting twin: its own source (to delete) when it was handed over.
    std::string surplus_source;
  };
  // Queues `task` in the current generation; its targets become the newest for their paths.
  Added Add(std::shared_ptr<Task> task);

  // The next task for an office; null while nothing waits or the only one waits for a twin.
  std::shared_ptr<Task> TakeTask(PoolClock::time_point now);
  // PDFs to make together: nullopt when the next task is not one, empty when more are worth
  // waiting for.
  std::optional<std::vector<std::shared_ptr<Task>>> TakeBatch(PoolClock::time_point now);
  // Puts `task` back at the front (tried again, or made alone after a batch).
  void PushFront(std::shared_ptr<Task> task);

  // Starts a new generation and hands out what waits (to be finished as cancelled).
  std::deque<std::shared_ptr<Task>> Cancel();
  // Hands out what waits, the generation unchanged.
  std::deque<std::shared_ptr<Task>> TakeAll();

  // Whether `task` belongs to the current generation.
  bool Current(const Task& task) const { return task.generation == generation_; }
  int generation() const { return generation_; }
  // Whether `target` is still the newest request for its path.
  bool Newest(const StoreTarget& target) const;
  std::size_t size() const { return waiting_.size(); }

 private:
  // Removes the waiting requests for the paths of `task`; returns the tasks left empty.
  std::vector<std::shared_ptr<Task>> Supersede(const Task& task);
  // A waiting task `task` may join; null when none.
  std::shared_ptr<Task> Twin(const Task& task) const;
  // Whether the targets of both jobs may be made from one load of their (equal) bytes.
  bool ShareLoad(const ConversionJob& a, const ConversionJob& b) const;
  bool Joinable(const Task& task) const;

  QueueRules rules_;
  std::deque<std::shared_ptr<Task>> waiting_;
  int generation_ = 0;
  std::uint64_t next_order_ = 0;
  std::map<std::string, std::uint64_t> latest_;  // the newest request for each target path
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_JOB_QUEUE_H_
