#include "delivery/send_pacing.h"

#include <algorithm>

namespace vexlo::delivery {

PaceClock::duration RateLimit::WaitBefore(PaceClock::time_point now) const {
  if (static_cast<int>(recent_.size()) < per_minute_) return PaceClock::duration::zero();
  // The start that must leave the window before another may come.
  const PaceClock::time_point free_at = recent_[recent_.size() - per_minute_] + std::chrono::minutes(1);
  return std::max(free_at - now, PaceClock::duration::zero());
}

void RateLimit::Started(PaceClock::time_point now) {
  recent_.push_back(now);
  while (!recent_.empty() && recent_.front() + std::chrono::minutes(1) <= now) recent_.pop_front();
  while (static_cast<int>(recent_.size()) > per_minute_) recent_.pop_front();
}

std::chrono::milliseconds RetryDelay(int attempt, std::chrono::milliseconds first) {
  const std::chrono::milliseconds cap = std::chrono::minutes(2);
  std::chrono::milliseconds delay = first;
  for (int i = 2; i < attempt && delay < cap; ++i) delay *= 2;
  return std::min(delay, cap);
}

}  // namespace vexlo::delivery
