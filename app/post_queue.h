// The program's own queue of posted calls. A posted call waits here and runs, in posting order,
// once the event handling that is running has returned to the event loop: never inside a nested
// repaint loop of a long synchronous run. Each call runs guarded (event_guard.h). UI thread only.
#ifndef VEXLO_APP_POST_QUEUE_H_
#define VEXLO_APP_POST_QUEUE_H_

#include <cstddef>
#include <functional>

#include "app/event_guard.h"

namespace vexlo::app {

// Queues `call` to run as the event `where` after the current event handling.
void Post(EventName where, std::function<void()> call);

// Runs every waiting call in posting order, including calls posted meanwhile. Does nothing while
// a guarded handler is running: the queue is drained again when the outermost one returns.
void DrainPosted();

// How the event loop is asked to call DrainPosted soon (the window uses a zero-delay Qt timer).
// Without a scheduler the owner of the loop (CLI, tests) calls DrainPosted itself.
void SetDrainScheduler(std::function<void()> schedule);

std::size_t PostedCount();

// Drops every waiting call; for tests and for program end.
void ClearPosted();

}  // namespace vexlo::app

#endif  // VEXLO_APP_POST_QUEUE_H_
