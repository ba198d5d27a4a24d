#include "office/deferred_work.h"

namespace vexlo::office {
namespace {
DeferredWork* the_owner = nullptr;
}  // namespace

void SetDeferredWork(DeferredWork* owner) { the_owner = owner; }

OutputGap CheckOutput(std::string_view extension, bool pdf, bool print) {
  return the_owner == nullptr ? OutputGap::kNone : the_owner->Check(extension, pdf, print);
}

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

void PauseDeferredWork(bool paused) {
  if (the_owner != nullptr) the_owner->Pause(paused);
}

int PrintJobsSent() { return the_owner == nullptr ? 0 : the_owner->PrintJobsSent(); }

std::string OutputPrinter() { return the_owner == nullptr ? std::string() : the_owner->Printer(); }

std::optional<WaitProgress> DeferredProgress() {
  return the_owner == nullptr ? std::nullopt : the_owner->Progress();
}

}  // namespace vexlo::office
