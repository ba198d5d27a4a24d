// BatchOutputQueue: the real output queue. PDF exports are converted by LibreOffice headless in
// bounded batches, with one converter process per core (each with a user profile of its own, kept
// between runs), while the caller goes on producing documents. Every expected PDF is checked and
// renamed into place, so a PDF appears at its requested name only when it is complete. Prints of
// documents that are not PDF go through the same conversion, then to the default CUPS printer.
// UI thread only; the converter processes are watched from worker threads.
#ifndef VEXLO_OFFICE_ENGINE_OUTPUT_BATCH_OUTPUT_QUEUE_H_
#define VEXLO_OFFICE_ENGINE_OUTPUT_BATCH_OUTPUT_QUEUE_H_

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "office/engine/output/output_queue.h"
#include "office/engine/soffice/soffice.h"

namespace vexlo::engine {

struct BatchOptions {
  int lanes = 0;        // converter processes at once; 0 = one per core, at most 4
  int max_batch = 200;  // files per converter call (one call silently stops after ~250)
  int min_batch = 40;   // an idle converter starts before Flush once this many files wait ...
  std::chrono::milliseconds min_wait{1000};  // ... and the oldest of them waited this long
  std::string profile_root;  // where the profiles live; default ~/.cache/vexlo
};

class BatchOutputQueue : public OutputQueue {
 public:
  explicit BatchOutputQueue(BatchOptions options = {});
  ~BatchOutputQueue() override;  // waits for running converters
  BatchOutputQueue(const BatchOutputQueue&) = delete;
  BatchOutputQueue& operator=(const BatchOutputQueue&) = delete;

  void ExportPdf(const std::string& source, const std::string& pdf_path, bool take_source) override;
  void Print(const std::string& source, int copies, bool take_source) override;
  void Flush() override;
  void Cancel() override;

  // How many converter calls were made so far (for the benchmark and tests).
  int converter_calls() const { return converter_calls_; }

  // What one converter call left: its run, and the folder holding its PDFs.
  struct BatchResult {
    SofficeResult run;
    std::string out_dir;
  };

 private:
  struct Request {
    enum class Kind { kPdf, kPrint } kind;
    std::string source;
    std::string target;     // kPdf: the PDF path; kPrint: the job title
    int copies = 1;
    bool take_source = false;
    enum class State { kWaiting, kConverting, kReady, kDone, kFailed } state = State::kWaiting;
    std::string converted;  // the PDF made from `source` once ready
    int attempts = 0;
    std::string error;
    std::chrono::steady_clock::time_point queued;
  };
  struct Lane {
    std::string profile;
    int lock_fd = -1;
    std::future<BatchResult> running;
    std::vector<std::size_t> ids;
  };

  void Add(Request request);
  // Collects finished batches, delivers what is ready and starts converters on idle lanes.
  // `draining`: Flush is waiting, so every waiting file is dispatched now.
  void Pump(bool draining);
  void Collect(Lane& lane);
  void Deliver();
  void Dispatch(bool draining);
  bool AcquireProfile(Lane& lane);
  const std::string& WorkDir();
  void Fail(Request& request, std::string error);
  static void Discard(const Request& request);

  BatchOptions options_;
  std::vector<Lane> lanes_;
  std::vector<Request> requests_;
  std::size_t next_print_ = 0;
  std::size_t drain_share_ = 1;  // files per converter call once Flush waits  // prints go out in the order they were asked for
  std::string work_dir_;
  std::string fonts_env_;
  int batch_counter_ = 0;
  int converter_calls_ = 0;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_OUTPUT_BATCH_OUTPUT_QUEUE_H_
