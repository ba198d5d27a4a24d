// The word server's deferred work in one place: saves held for growing documents, conversions of
// .doc/.rtf/.odt outputs, and the output queue's PDF exports and prints. Owned by the program's
// EngineServices; the program's main registers it with the gateway (office/deferred_work.h).
// UI thread only.
// Convention: raises app::RuntimeError, the program's error record, for output that failed.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_
#define VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_

#include <string>

#include "office/deferred_work.h"
#include "office/engine/word/word_services.h"

namespace vexlo::engine::word {

class WordDeferredWork : public office::DeferredWork {
 public:
  explicit WordDeferredWork(const WordServices& services) : services_(services) {}

  office::OutputGap Check(std::string_view extension, bool pdf, bool print) const override;
  void Flush(bool finish, const office::WaitWatch& watch) override;
  void Cancel() override;
  void Pause(bool paused) override;
  int PrintJobsSent() const override;
  std::string Printer() const override;
  std::optional<office::WaitProgress> Progress() const override;

 private:
  WordServices services_;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DEFERRED_OUTPUT_H_
