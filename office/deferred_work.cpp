#include "office/deferred_work.h"

namespace vexlo::office {

OutputGap FlushPoint::Check(std::string_view extension, bool pdf, bool print) const {
  return work_ == nullptr ? OutputGap::kNone : work_->Check(extension, pdf, print);
}

void FlushPoint::Flush(bool finish, const WaitWatch& watch) const {
  if (work_ != nullptr) work_->Flush(finish, watch);
}

void FlushPoint::Cancel() const noexcept {
  if (work_ == nullptr) return;
  try {
    work_->Cancel();
  } catch (...) {
    // Cancelling is already the way out; what could not be stopped ends with the process.
  }
}

void FlushPoint::Pause(bool paused) const {
  if (work_ != nullptr) work_->Pause(paused);
}

int FlushPoint::PrintJobsSent() const { return work_ == nullptr ? 0 : work_->PrintJobsSent(); }

std::string FlushPoint::Printer() const {
  return work_ == nullptr ? std::string() : work_->Printer();
}

std::optional<WaitProgress> FlushPoint::Progress() const {
  return work_ == nullptr ? std::nullopt : work_->Progress();
}

}  // namespace vexlo::office
