// The posting half of Events (event_guard.h).
#include <utility>

#include "app/event_guard.h"

namespace vexlo::app {

void Events::ScheduleDrain() {
  if (posted_.empty() || drain_scheduled_ || !schedule_drain_) return;
  drain_scheduled_ = true;
  schedule_drain_();
}

void Events::Post(EventName where, std::function<void()> call) {
  posted_.push_back({std::move(where), std::move(call)});
  if (GuardDepth() == 0) ScheduleDrain();
}

void Events::DrainPosted() {
  drain_scheduled_ = false;
  if (GuardDepth() > 0) return;  // the outermost handler schedules it again as it returns
  while (!posted_.empty() && GuardDepth() == 0) {
    PostedCall next = std::move(posted_.front());
    posted_.pop_front();
    RunGuarded(next.where, next.call);
  }
}

}  // namespace vexlo::app
