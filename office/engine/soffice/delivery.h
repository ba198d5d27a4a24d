// Putting finished files at their names, the one place that does. Only the newest request for a
// path puts a file there: one made while an earlier request for the path was being worked on has
// the last word, and the earlier one then counts as done without touching the path. Each put is
// atomic (atomic_file.h): the file at a path stays whole until its successor replaces it. A PDF
// whose target carries a password is encrypted on the way (pdf_protect.h), so that every route
// that makes a record's PDF delivers it protected, and never in clear at its name.
// Any thread; takes the pool's lock only to ask the queue. Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DELIVERY_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DELIVERY_H_

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "office/engine/package/status.h"
#include "office/engine/soffice/conversion_job.h"
#include "office/engine/soffice/job_queue.h"

namespace vexlo::engine {

class Delivery {
 public:
  // `queue` tells which requests are the newest; `mutex` guards it.
  Delivery(std::mutex& mutex, const JobQueue& queue) : mutex_(mutex), queue_(queue) {}

  // Each fails with the first failure (kOutput); the other targets are still served.

  // Moves the finished file `made` to its target; `made` is gone either way.
  Status PutFile(const StoreTarget& target, const std::string& made) const;
  // Copies the finished file `made` to each target; `made` stays.
  Status CopyFile(const std::vector<StoreTarget>& targets, const std::string& made) const;
  // Writes `bytes` to each target.
  Status PutBytes(const std::vector<StoreTarget>& targets, std::string_view bytes) const;

 private:
  // Runs `put` for `target` when it is still the newest request for its path.
  Status Put(const StoreTarget& target, const std::function<Status()>& put) const;
  // Puts the finished file `made` (kept) at `target` through `scratch`, a free name beside
  // `made`: encrypted there when the target asks for a password, else copied there when `copy`;
  // otherwise `made` itself moves to the target.
  Status PutThrough(const StoreTarget& target, const std::string& made, const std::string& scratch,
                    bool copy) const;

  std::mutex& mutex_;
  const JobQueue& queue_;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DELIVERY_H_
