// OfficePool: LibreOffice kept warm. A few headless offices (one per core, at most four), each
// with a user profile of its own and in a process group of its own, are started ahead of need and
// driven through the UNO API over a named pipe. Each document is loaded once (hidden) and stored
// in every format asked for; PDFs of the records of one template are made many at a time from
// one joined document where that looks the same (joined_export.h), and the .doc files of the
// records of one template are written from the office's .doc of one of them (doc_bases.h); every
// stored file is checked before it is put at its name (document_conversion.h). An office that
// dies, hangs, or stalls (no progress in a job long past the usual time of its kind,
// stall_watch.h) is killed with its process group and started again, and the document is tried
// once more (a joined export joined once more) before it fails with a message naming it,
// unless the offices' folder cannot be written (full, read-only): then every document fails at
// once with that reason. The offices end
// with the pool, with Cancel, or with this process; a program's pool belongs to its
// EngineServices (engine_services.h), which ends it before main returns. Each office listens on a
// pipe of its own (office_pipe.h). This class only schedules: the queue (job_queue.h), the
// offices (office.h) and the steps its workers dispatch to live in units of their own.
// Thread-safe: any thread may submit work or wait for it. Convention: returns Result (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "office/engine/soffice/conversion_job.h"
#include "office/engine/soffice/stall_watch.h"
#include "office/engine/soffice/stored_check.h"

namespace vexlo::engine {

struct DocxTexts;     // text_delta.h
struct Office;        // office.h
struct PoolCounters;  // pool_state.h
class PoolState;      // pool_state.h
struct Task;          // job_queue.h

struct OfficePoolOptions {
  int offices = 0;           // 0: one per core, at most 4
  std::string profile_root;  // where the profiles live; default ~/.cache/vexlo
  // A document an office has not finished after this long counts as hung, however busy the
  // office is (a joined export: twice this).
  std::chrono::milliseconds job_timeout{std::chrono::seconds(90)};
  // Well before that, an office that makes no progress in a job that has run several times the
  // usual time of its kind counts as stalled (stall_watch.h).
  StallRules stall;
  // How long an office may take to start answering (first starts on a loaded machine are slow).
  std::chrono::milliseconds start_timeout{std::chrono::minutes(3)};
  // A job is held back this long for a later job with the same content, so that the .doc and the
  // PDF of one record come from one load.
  std::chrono::milliseconds coalesce_wait{std::chrono::milliseconds(120)};
  // A document that differs from the one an office holds only in its texts (the records of one
  // template) is made by changing those texts in place instead of loading it.
  bool keep_documents = true;
  // An office that has grown by this much since its first document is replaced (0: after every
  // second document; tests).
  long growth_limit_mb = 160;
  // PDFs of the records of one template are made many at a time: joined into one document,
  // exported once and cut into a PDF per record, where the pages come out exactly as they would
  // alone (see page_batch.h); the others one by one.
  bool join_records = true;
  // The .doc of a record whose template the pool has made a .doc of before is written from that
  // one, without an office, where that gives the office's own result (see doc_base.h).
  bool doc_from_base = true;
  // Where the offices' folders (their files and temporary files) are made; empty: a folder in
  // memory where there is one with room, else the system's temporary folder.
  std::string work_root;
  // The names offered for the offices' pipes, one per call (a name whose socket path is taken is
  // passed over); empty: random ones. Tests take some of them first.
  std::function<std::string()> pipe_names;
  // A command put before the office's own command line, which it is to run (tests: a relay that
  // stops answering on the office's pipe when told); empty: the office itself.
  std::vector<std::string> office_wrapper;
};

class OfficePool {
 public:
  explicit OfficePool(OfficePoolOptions options = {});
  ~OfficePool();  // shuts the offices down; kills what does not end
  OfficePool(const OfficePool&) = delete;
  OfficePool& operator=(const OfficePool&) = delete;

  // True when LibreOffice is installed.
  static bool Available();

  // Makes this process's UNO runtime now, on the calling thread (the first call takes a moment;
  // Start and Submit call it). The thread that may end the program should be the one that makes
  // it, so that the program never ends while it is half made. Cheap once made.
  static void LoadRuntime();

  // Starts `count` offices now (0: all of them), in the background, so that the first document
  // does not wait. The others start when enough documents wait for them. Cheap when they run.
  void Start(int count = 0);

  // Queues a document. A job whose source has the same bytes as a job still waiting joins it
  // (one load serves both); a target path queued again replaces the earlier request for it.
  std::shared_future<ConversionOutcome> Submit(ConversionJob job);

  // From now on, the records made from the .docx at `docx` (the office's conversion of the .doc
  // at `doc`, which must stay while the pool runs) are made by filling `doc` itself in the office
  // (direct_fill.h). False when the .docx cannot serve as the records' template.
  bool FillDirectly(const std::string& doc, const std::string& docx);

  // Ends everything now: the offices are killed with their process groups, waiting jobs fail
  // with "已取消" and their sources are discarded. The pool starts offices again on next use.
  void Cancel();

  // While paused no office begins a waiting job (one under way finishes); Submit still queues.
  // Cancel ends the pause.
  void Pause(bool paused);

  // Stops the offices (gracefully, then by force; only by force `at_exit`, when the program is
  // ending) and waits for them; waiting jobs fail.
  void Shutdown(bool at_exit = false);

  // The process ids of the offices running now (tests).
  std::vector<int> OfficePids() const;
  // How many jobs were served by documents loaded for them (the others by changing the texts of a
  // kept one), and how many offices were started (benchmark and tests).
  int loads() const;
  int starts() const;
  // How many offices were replaced because they had grown too much.
  int replaced() const;
  // How many PDFs were cut from documents joined of several records.
  int joined() const;
  // How many .doc files were written from the .doc of another record of their template.
  int from_base() const;
  // How many offices were replaced because a job stalled in them.
  int stalled() const;

  // Waits until an office is in a job (of `kind`, when given); false when none was within
  // `limit` (tests: to act while an office is mid-export).
  bool WaitForJob(std::chrono::milliseconds limit, std::optional<JobKind> kind = std::nullopt) const;
  // Waits until `count` offices answer; false when they did not within `limit`.
  bool WaitForOffices(int count, std::chrono::milliseconds limit) const;

 private:
  void Worker(std::size_t index);
  // The texts of the package of `task` when a kept document or the .doc bases may use them.
  DocxTexts TextsFor(const Task& task) const;
  // Caller holds the lock. Waits for work for `office`: a task, a batch, or the office's start;
  // false when the pool stops.
  bool WaitForWork(Office& office, std::unique_lock<std::mutex>& lock, std::shared_ptr<Task>& task,
                   std::vector<std::shared_ptr<Task>>& batch);
  // The folder of a new office: under options.work_root, else in memory.
  Result<std::string> MakeOfficeFolder() const;
  // Ok when the office's folder can be written, otherwise why not; noted for the other workers.
  Status CheckOfficeFolder(Office& office);
  // While the offices' folder cannot be written: fails `task` and `batch` with the reason, true.
  bool FailOnFolderFault(Office& office, const std::shared_ptr<Task>& task,
                         std::vector<std::shared_ptr<Task>>& batch);
  // Starts `office` when it does not run; false (what it was to make failed) when it cannot.
  bool EnsureRunning(Office& office, const std::shared_ptr<Task>& task,
                     std::vector<std::shared_ptr<Task>>& batch);
  // Converts `task` in `office`, tries it again once on a failure, and finishes it.
  void RunTask(Office& office, const std::shared_ptr<Task>& task, const DocxTexts& texts);
  // Runs the tasks of `batch` whose template is filled directly one by one, leaving the others.
  void RunDirectOnes(Office& office, std::vector<std::shared_ptr<Task>>& batch);
  // Replaces the office when it has grown too much since its first document.
  void ReplaceIfGrown(Office& office);
  void EndWorker(Office& office);
  // The CPU time (ms) the office's processes and its worker have used so far: the job's progress.
  long ProgressMs(Office& office) const;
  void Watchdog();
  void EnsureThreads();  // caller holds the lock
  // Kills the offices again and again until `settled` (called with the lock held) holds, then
  // once more.
  void KillUntilSettled(const std::function<bool()>& settled);
  int Counter(int PoolCounters::*counter) const;

  std::unique_ptr<PoolState> state_;
  std::vector<std::unique_ptr<Office>> offices_;
  std::vector<std::thread> threads_;
  std::thread watchdog_;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_
