// When an office working on a job counts as stalled. Each kind of job keeps a running median of
// its time per record; a job may run several times that (never less than a floor, and more for
// the first job of a kind or of a freshly started office) before the watchdog looks at its
// office. From then on the office counts as stalled once neither it nor the worker waiting on it
// has used CPU for a whole quiet period: an office that is stopped, or no longer answers on its
// pipe, is replaced within seconds, while a slow but working one (a large document, a loaded
// machine) goes on until the hard limit. No office, no lock: the pool calls it under its lock.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_STALL_WATCH_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_STALL_WATCH_H_

#include <array>
#include <chrono>
#include <deque>
#include <functional>

namespace vexlo::engine {

enum class JobKind {
  kConversion,    // one document loaded (or changed) and stored
  kJoinedExport,  // the joined document of many records exported once
  kEnding,        // the office asked to end: the hard limit only
};

struct StallRules {
  int factor = 3;                                          // times the median per record
  std::chrono::milliseconds floor{std::chrono::seconds(3)};
  // While a kind has no median yet, and for an office's first job (fonts, filters and the
  // document's parts load then).
  std::chrono::milliseconds first_job{std::chrono::seconds(20)};
  // Without CPU used by the office or its worker for this long, a job past its time is stalled.
  std::chrono::milliseconds quiet{std::chrono::seconds(1)};
};

// The running medians of the jobs' times per record, by kind.
class JobTimes {
 public:
  explicit JobTimes(StallRules rules) : rules_(rules) {}

  // A job of `kind` over `units` records finished in `took`.
  void Add(JobKind kind, int units, std::chrono::nanoseconds took);
  // How long a job of `kind` over `units` records may run before its office is looked at.
  std::chrono::milliseconds Allowance(JobKind kind, int units, bool first_on_office) const;
  const StallRules& rules() const { return rules_; }

 private:
  StallRules rules_;
  std::array<std::deque<double>, 3> seconds_per_unit_;  // the newest samples of each kind
};

// One office's job as the watchdog sees it.
class JobWatch {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Verdict { kFine, kStalled, kHung };

  // A job begins at `now`: past `hard_limit` it is hung whatever it does; past `allowance` (none
  // for kEnding) it is looked at for progress.
  void Begin(JobKind kind, int units, Clock::time_point now, std::chrono::milliseconds hard_limit,
             std::chrono::milliseconds allowance);
  // The job is over; its time when it was one to learn from (none when `completed` is false).
  std::chrono::nanoseconds End(Clock::time_point now, bool completed);

  // What the job looks like at `now`. `cpu_ms` (the CPU time the office and its worker have used
  // so far) is called only once the job is past its allowance, at most once per quiet period.
  Verdict Judge(Clock::time_point now, std::chrono::milliseconds quiet, const std::function<long()>& cpu_ms);

  bool busy() const { return busy_; }
  JobKind kind() const { return kind_; }
  int units() const { return units_; }

 private:
  bool busy_ = false;
  JobKind kind_ = JobKind::kConversion;
  int units_ = 1;
  Clock::time_point started_, deadline_, look_from_;
  bool looked_ = false;  // a reading was taken since the job passed its allowance
  Clock::time_point read_at_;
  long read_ms_ = 0;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_STALL_WATCH_H_
