#include "office/engine/soffice/stall_watch.h"

#include <algorithm>
#include <vector>

namespace vexlo::engine {

namespace {

constexpr std::size_t kSamples = 31;  // recent enough to follow a run, many enough for a median

// Less CPU than this share of the quiet period counts as none: a stopped office uses exactly
// none, an idle one a tick now and then, a working one (even on a loaded machine) far more.
constexpr long kIdleShare = 50;

}  // namespace

void JobTimes::Add(JobKind kind, int units, std::chrono::nanoseconds took) {
  if (kind == JobKind::kEnding || units <= 0) return;
  std::deque<double>& samples = seconds_per_unit_[static_cast<std::size_t>(kind)];
  samples.push_back(std::chrono::duration<double>(took).count() / units);
  if (samples.size() > kSamples) samples.pop_front();
}

std::chrono::milliseconds JobTimes::Allowance(JobKind kind, int units, bool first_on_office) const {
  const std::deque<double>& samples = seconds_per_unit_[static_cast<std::size_t>(kind)];
  if (samples.empty() || first_on_office) return rules_.first_job;
  std::vector<double> sorted(samples.begin(), samples.end());
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
  const double median = sorted[sorted.size() / 2];
  const auto scaled = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::duration<double>(median * rules_.factor * std::max(units, 1)));
  return std::max(rules_.floor, scaled);
}

void JobWatch::Begin(JobKind kind, int units, Clock::time_point now, std::chrono::milliseconds hard_limit,
                     std::chrono::milliseconds allowance) {
  busy_ = true;
  kind_ = kind;
  units_ = units;
  started_ = now;
  deadline_ = now + hard_limit;
  look_from_ = kind == JobKind::kEnding ? Clock::time_point::max() : now + allowance;
  looked_ = false;
}

std::chrono::nanoseconds JobWatch::End(Clock::time_point now, bool completed) {
  const bool was_busy = busy_;
  busy_ = false;
  return was_busy && completed ? now - started_ : std::chrono::nanoseconds::zero();
}

JobWatch::Verdict JobWatch::Judge(Clock::time_point now, std::chrono::milliseconds quiet,
                                  const std::function<long()>& cpu_ms) {
  if (!busy_) return Verdict::kFine;
  if (now > deadline_) return Verdict::kHung;
  if (now < look_from_) return Verdict::kFine;
  if (!looked_) {
    looked_ = true;
    read_at_ = now;
    read_ms_ = cpu_ms();
    return Verdict::kFine;
  }
  if (now - read_at_ < quiet) return Verdict::kFine;
  const long used = cpu_ms();
  if (used - read_ms_ < std::max<long>(1, quiet.count() / kIdleShare)) return Verdict::kStalled;
  read_at_ = now;
  read_ms_ = used;
  return Verdict::kFine;
}

}  // namespace vexlo::engine
