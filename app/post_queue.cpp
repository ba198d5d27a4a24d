#include "app/post_queue.h"

#include <deque>
#include <utility>

#include "app/post_queue_internal.h"

namespace vexlo::app {
namespace {

struct PostedCall {
  EventName where;
  std::function<void()> call;
};

struct Queue {
  std::deque<PostedCall> calls;
  std::function<void()> schedule;
  bool drain_scheduled = false;
};

Queue& TheQueue() {
  static Queue queue;
  return queue;
}

void ScheduleDrain() {
  Queue& q = TheQueue();
  if (q.calls.empty() || q.drain_scheduled || !q.schedule) return;
  q.drain_scheduled = true;
  q.schedule();
}

}  // namespace

void Post(EventName where, std::function<void()> call) {
  TheQueue().calls.push_back({std::move(where), std::move(call)});
  if (GuardDepth() == 0) ScheduleDrain();
}

void DrainPosted() {
  Queue& q = TheQueue();
  q.drain_scheduled = false;
  if (GuardDepth() > 0) return;  // OutermostHandlerReturned schedules it again
  while (!q.calls.empty() && GuardDepth() == 0) {
    PostedCall next = std::move(q.calls.front());
    q.calls.pop_front();
    RunGuarded(next.where, next.call);
  }
}

void SetDrainScheduler(std::function<void()> schedule) {
  TheQueue().schedule = std::move(schedule);
  ScheduleDrain();
}

std::size_t PostedCount() { return TheQueue().calls.size(); }

void ClearPosted() { TheQueue().calls.clear(); }

namespace internal {
void OutermostHandlerReturned() { ScheduleDrain(); }
}  // namespace internal

}  // namespace vexlo::app
