#include "office/engine/word/deferred_output.h"

#include "office/engine/word/held_saves.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/doc_conversion.h"
#include "office/engine/word/word_document.h"

namespace vexlo::engine::word {

office::OutputGap WordDeferredWork::Check(std::string_view extension, bool pdf, bool print) const {
  // PDF and printing go through LibreOffice (a print is a PDF first), and so do .doc outputs.
  const bool converts = IsConvertedExtension(ExtensionOf("x" + std::string(extension)));
  if ((converts || pdf || print) && SofficeProgram().empty()) {
    return office::OutputGap::kNoConverter;
  }
  if (print && DefaultPrinter().empty()) return office::OutputGap::kNoPrinter;
  return office::OutputGap::kNone;
}

void WordDeferredWork::Flush(bool finish, const office::WaitWatch& watch) {
  // Between records there is nothing to do: a held save waits until the document has grown
  // enough (writing it after every record would make a one-file run quadratic), conversions
  // and PDFs wait for a batch, and per-record documents were written by their saveas.
  if (!finish) return;
  services_.held_saves.Flush();
  services_.conversions.Flush(watch);
  services_.output.Flush(watch);
  // The run's work is done: none of its documents stays in a temporary folder.
  services_.conversions.RemoveProcessTempFolder();
}

void WordDeferredWork::Cancel() {
  services_.conversions.runs().EndRunning();
  services_.conversions.Drop();
  services_.output.Cancel();
  services_.conversions.RemoveProcessTempFolder();
}

void WordDeferredWork::Pause(bool paused) { services_.conversions.pool().Pause(paused); }

int WordDeferredWork::PrintJobsSent() const { return services_.output.PrintsSent(); }

std::string WordDeferredWork::Printer() const { return DefaultPrinter(); }

std::optional<office::WaitProgress> WordDeferredWork::Progress() const {
  return services_.output.Progress();
}

}  // namespace vexlo::engine::word
