// Between the guard and the queue: the guard tells the queue when the outermost handler returned.
#ifndef VEXLO_APP_POST_QUEUE_INTERNAL_H_
#define VEXLO_APP_POST_QUEUE_INTERNAL_H_

namespace vexlo::app::internal {
void OutermostHandlerReturned();
}  // namespace vexlo::app::internal

#endif  // VEXLO_APP_POST_QUEUE_INTERNAL_H_
