// Deferred work: what an automation server holds back to do in bulk (saves held for a growing
// document, format conversions, PDF export, printing). A server with such work registers one owner
// with the engine, which main() passes down; the caller of the servers (the merge) decides when it
// is finished, at one explicit point, instead of the server posting itself onto the event loop or
// calling back into the window. With a server that does its work at once (real Word) there is no
// owner and the flush point's calls do nothing. UI thread only.
#ifndef VEXLO_OFFICE_DEFERRED_WORK_H_
#define VEXLO_OFFICE_DEFERRED_WORK_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vexlo::office {

// What a finish is waiting for: documents the converter writes (.doc), PDFs, print jobs.
enum class WaitStage { kDocuments, kPdfs, kPrints };

// Told, while a finish waits, which stage it is in and how many of that stage's pieces of work
// are done (print jobs: sent to the printer); returns true when the caller wants to stop waiting
// (the work is then cancelled).
using WaitWatch = std::function<bool(WaitStage stage, int done, int total)>;

// How far the queued work has come: the stage and its pieces done of all.
struct WaitProgress {
  WaitStage stage = WaitStage::kPdfs;
  int done = 0;
  int total = 0;
};

// What stands in the way of the output a run asks for on this machine.
enum class OutputGap {
  kNone,
  kNoConverter,  // the documents' format, PDF or printing needs LibreOffice, which is missing
  kNoPrinter,    // printing is asked and there is no printer
};

class DeferredWork {
 public:
  virtual ~DeferredWork() = default;
  // Checked before a run writes anything: documents with `extension` (".doc"), PDF, printing.
  virtual OutputGap Check(std::string_view /*extension*/, bool /*pdf*/, bool /*print*/) const {
    return OutputGap::kNone;
  }
  // Called after each record (`finish` false: the server may move its queued work on) and at the
  // end (`finish` true: writes what is held for open documents and waits until every queued
  // conversion, export and print is done and checked). Raises app::RuntimeError naming the file
  // of the first failure.
  virtual void Flush(bool finish, const WaitWatch& watch) = 0;
  // Stops everything queued: helper processes end (their whole process groups), queued work and
  // its temporary files are dropped. Documents already written stay.
  virtual void Cancel() = 0;
  // While paused no new piece of queued work is begun (one under way finishes); work queued
  // meanwhile waits. A cancel ends the pause.
  virtual void Pause(bool /*paused*/) {}
  // Print jobs handed to the printer for the work queued since the last finish or cancel (those
  // of the last one, until new work is queued).
  virtual int PrintJobsSent() const { return 0; }
  // The printer that print jobs go to ("" when there is none).
  virtual std::string Printer() const { return {}; }
  // How far the queued PDFs and prints have come, read without waiting or moving anything on
  // (nullopt: nothing queued, or no way to tell).
  virtual std::optional<WaitProgress> Progress() const { return std::nullopt; }
};

// The one flush point a run uses: the deferred work its caller passed down, or none (a server
// that does its work at once), when every call does nothing. A small value, copied freely; the
// work it points to outlives it.
class FlushPoint {
 public:
  explicit FlushPoint(DeferredWork* work = nullptr) : work_(work) {}

  OutputGap Check(std::string_view extension, bool pdf, bool print) const;
  void Flush(bool finish, const WaitWatch& watch = {}) const;
  void Cancel() const noexcept;
  void Pause(bool paused) const;
  int PrintJobsSent() const;
  std::string Printer() const;
  std::optional<WaitProgress> Progress() const;

 private:
  DeferredWork* work_;
};

}  // namespace vexlo::office

#endif  // VEXLO_OFFICE_DEFERRED_WORK_H_
