// The pace of sending: at most N messages in any minute, so that a company server's own limit is
// never hit, and the growing pauses between tries of a message the server put off. Any thread
// that owns the object.
#ifndef VEXLO_DELIVERY_SEND_PACING_H_
#define VEXLO_DELIVERY_SEND_PACING_H_

#include <chrono>
#include <deque>

namespace vexlo::delivery {

using PaceClock = std::chrono::steady_clock;

// A sliding window: the first N messages go at once, message N+1 waits until a minute after the
// first, and so on.
class RateLimit {
 public:
  // REQUIRES: per_minute >= 1.
  explicit RateLimit(int per_minute) : per_minute_(per_minute) {}

  // How long to wait at `now` before the next message may start (zero when it may at once).
  PaceClock::duration WaitBefore(PaceClock::time_point now) const;
  // A message started at `now`.
  void Started(PaceClock::time_point now);

 private:
  int per_minute_;
  std::deque<PaceClock::time_point> recent_;  // starts within the last minute, oldest first
};

// The pause before try `attempt` (2, 3, ...) of one message: `first` doubled each time, at most
// two minutes.
std::chrono::milliseconds RetryDelay(int attempt, std::chrono::milliseconds first);

}  // namespace vexlo::delivery

#endif  // VEXLO_DELIVERY_SEND_PACING_H_
