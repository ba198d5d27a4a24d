// OfficeOutputQueue: the real output queue. Each export or print is handed at once to the warm
// offices of the office pool, which convert while the caller goes on producing documents; Flush
// waits for them. A PDF appears at its requested name only once it is complete and has the
// document's page count. Prints go to the default CUPS printer in the order they were asked for,
// titled with the document's file name. Cancel kills the offices and drops what waits.
// UI thread only; the conversions run in the pool's threads. Convention: Flush raises the error
// record (status_error.h) of the first failure.
#ifndef VEXLO_OFFICE_ENGINE_OUTPUT_OFFICE_OUTPUT_QUEUE_H_
#define VEXLO_OFFICE_ENGINE_OUTPUT_OFFICE_OUTPUT_QUEUE_H_

#include <future>
#include <string>
#include <vector>

#include "office/engine/output/output_queue.h"
#include "office/engine/soffice/office_pool.h"

namespace vexlo::engine {

class OfficeOutputQueue : public OutputQueue {
 public:
  explicit OfficeOutputQueue(OfficePool& pool);
  ~OfficeOutputQueue() override;
  OfficeOutputQueue(const OfficeOutputQueue&) = delete;
  OfficeOutputQueue& operator=(const OfficeOutputQueue&) = delete;

  void ExportPdf(const std::string& source, const std::string& pdf_path, bool take_source,
                 StoreFormat via, const std::string& password = {}) override;
  void Print(const std::string& source, int copies, bool take_source, StoreFormat via) override;
  void Flush(const office::WaitWatch& watch = {}) override;
  // Also stops the offices (and with them every other conversion in progress).
  void Cancel() override;
  int PrintsSent() const override { return prints_sent_; }

 private:
  struct Request {
    std::shared_future<ConversionOutcome> done;
    bool print = false;
    std::string pdf;    // print: the PDF to print
    std::string title;  // print: the job title
    int copies = 1;
    bool own_pdf = false;  // print: `pdf` is ours to delete
  };

  const std::string& WorkDir();
  // Removes the work folder once nothing queued uses it; the next print makes a fresh one.
  void RemoveWorkDir();
  void PrintReady();
  // Tells `watch` how far the work has come: PDFs while any is still being made, then print
  // jobs. True when the watcher wants to stop.
  bool Watched(const office::WaitWatch& watch) const;
  std::optional<office::WaitProgress> Progress() const override;
  // Forgets the requests of the work just finished or dropped.
  void Reset();
  // The first request after a Flush or Cancel starts the count of print jobs sent afresh.
  void StartCounting();

  OfficePool& pool_;
  std::vector<Request> requests_;
  std::size_t next_print_ = 0;
  Status first_failure_ = Status::Ok();  // the first print that failed
  std::string work_dir_;
  int counter_ = 0;
  int prints_sent_ = 0;
  bool count_afresh_ = false;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_OUTPUT_OFFICE_OUTPUT_QUEUE_H_
