#include "office/engine/word/deferred_output.h"

#include "office/engine/output/cups_printer.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {
namespace {

class WordDeferred : public office::DeferredWork {
 public:
  office::OutputGap Check(std::string_view extension, bool pdf, bool print) const override {
    // PDF and printing go through LibreOffice (a print is a PDF first), and so do .doc outputs.
    const bool converts = IsConvertedExtension(ExtensionOf("x" + std::string(extension)));
    if ((converts || pdf || print) && SofficeProgram().empty()) {
      return office::OutputGap::kNoConverter;
    }
    if (print && DefaultPrinter().empty()) return office::OutputGap::kNoPrinter;
    return office::OutputGap::kNone;
  }

  void Flush(bool finish, const office::WaitWatch& watch) override {
    // Between records there is nothing to do: a held save waits until the document has grown
    // enough (writing it after every record would make a one-file run quadratic), conversions
    // and PDFs wait for a batch, and per-record documents were written by their saveas.
    if (!finish) return;
    FlushHeldSaves();
    ScopedFlushWatch scoped(watch);
    FlushConversions();
    output_queue().Flush();
    // The run's work is done: none of its documents stays in a temporary folder.
    RemoveProcessTempFolder();
  }

  void Cancel() override {
    EndRunningConversions();
    DropConversions();
    output_queue().Cancel();
    RemoveProcessTempFolder();
  }

  void Pause(bool paused) override { office_pool().Pause(paused); }
  int PrintJobsSent() const override { return output_queue().PrintsSent(); }
  std::string Printer() const override { return DefaultPrinter(); }
};

}  // namespace

office::DeferredWork& WordDeferredWork() {
  static WordDeferred owner;
  return owner;
}

}  // namespace vexlo::engine::word
