#include "office/engine/word/deferred_output.h"

#include "office/engine/output/output_queue.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {
namespace {

class WordDeferred : public office::DeferredWork {
 public:
  void Flush(bool finish, const office::WaitWatch& watch) override {
    FlushHeldSaves();
    if (!finish) return;
    FlushConversions();
    ScopedFlushWatch scoped(watch);
    output_queue().Flush();
  }

  void Cancel() override {
    EndRunningConversions();
    DropConversions();
    output_queue().Cancel();
  }
};

}  // namespace

office::DeferredWork& WordDeferredWork() {
  static WordDeferred owner;
  return owner;
}

}  // namespace vexlo::engine::word
