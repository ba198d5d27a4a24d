// OutputQueue: PDF export and printing for the word-processor engine. Requests are queued and
// carried out in batches in the background (LibreOffice for conversion, CUPS for printing);
// Flush waits for all of them. The word server's exportasfixedformat and printout queue here, and
// its quit flushes, so every requested file and job exists before a merge reports success.
// UI thread only (the work itself runs in helper processes).
// Convention: Flush raises app::RuntimeError, the program's error record, for the first failure.
#ifndef VEXLO_OFFICE_ENGINE_OUTPUT_OUTPUT_QUEUE_H_
#define VEXLO_OFFICE_ENGINE_OUTPUT_OUTPUT_QUEUE_H_

#include <optional>
#include <string>

#include "office/deferred_work.h"
#include "office/engine/soffice/conversion_job.h"

namespace vexlo::engine {

class OutputQueue {
 public:
  virtual ~OutputQueue() = default;

  // Queues the conversion of the document file `source` (.docx, .doc, ...) into the PDF file
  // `pdf_path`. When `take_source` is true the queue deletes `source` once done with it. The
  // source must not change until then: pass a snapshot of the document as it is now. `via`:
  // the PDF shows the document as saved in that format and opened again (kDocx: as it is).
  // A `password` ("" for none) is needed to open the PDF: it is encrypted as it is delivered.
  virtual void ExportPdf(const std::string& source, const std::string& pdf_path, bool take_source,
                         StoreFormat via, const std::string& password = {}) = 0;
  // Queues printing `copies` copies of the document file `source` on the default printer; `via`
  // as for ExportPdf.
  virtual void Print(const std::string& source, int copies, bool take_source, StoreFormat via) = 0;
  // Waits until everything queued is done, telling `watch` (when given) how far it has come: the
  // PDFs made, then the print jobs sent; when it answers true, cancels the queue and returns.
  // Raises app::RuntimeError::Output for the first request that failed (a missing PDF, no
  // printer, LibreOffice missing).
  virtual void Flush(const office::WaitWatch& watch = {}) = 0;
  // Drops everything queued: running converters end (their whole process groups) and the queue's
  // temporary files go. Files already delivered stay.
  virtual void Cancel() {}
  // Print jobs handed to the printer for the work queued since the last Flush or Cancel (those of
  // the last one, until new work is queued).
  virtual int PrintsSent() const { return 0; }
  // How far the queued PDFs, then prints, have come; nullopt when nothing is queued.
  virtual std::optional<office::WaitProgress> Progress() const { return std::nullopt; }
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_OUTPUT_OUTPUT_QUEUE_H_
