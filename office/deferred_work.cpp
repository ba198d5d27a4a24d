#include "office/deferred_work.h"

namespace vexlo::office {
namespace {
DeferredWork* the_owner = nullptr;
}  // namespace

void SetDeferredWork(DeferredWork* owner) { the_owner = owner; }

void FlushDeferredWork(bool finish, const WaitWatch& watch) {
  if (the_owner != nullptr) the_owner->Flush(finish, watch);
}

void CancelDeferredWork() noexcept {
  if (the_owner == nullptr) return;
  try {
    the_owner->Cancel();
  } catch (...) {
    // Cancelling is already the way out; what could not be stopped ends with the process.
  }
}

}  // namespace vexlo::office
