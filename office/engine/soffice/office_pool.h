// OfficePool: LibreOffice kept warm. A few headless offices (one per core, at most four), each
// with a user profile of its own and in a process group of its own, are started ahead of need and
// driven through the UNO API over a named pipe. Each document is loaded once (hidden) and stored
// in every format asked for; PDFs of the records of one template are made many at a time from
// one joined document where that looks the same (page_batch.h), and the .doc files of the records
// of one template are written from the office's .doc of one of them (doc_base.h); every stored
// file is checked before it is put at its name (a PDF must have as many pages as the loaded
// document). An office that dies or hangs is killed with
// its process group and started again, and the document is tried once more before it fails with
// a message naming it. The offices end with the pool, with Cancel, or with this process. A
// program's pool belongs to its EngineServices (engine_services.h), which ends it before main
// returns.
// Thread-safe: any thread may submit work or wait for it.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_

#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

// The formats the offices store.
enum class StoreFormat { kPdf, kDoc, kDocx, kRtf, kOdt, kPng };

// The format of a file name's extension (".pdf", ".doc", ...); kDocx for anything else.
StoreFormat FormatOfPath(const std::string& path);

struct StoreTarget {
  std::string path;   // where the finished file goes (replaced atomically)
  StoreFormat format = StoreFormat::kPdf;
  int png_width = 0;  // kPng: the width in pixels of the first page's image
  std::uint64_t order = 0;  // set by the pool: a later request for the same path wins
};

// What became of one conversion.
struct ConversionOutcome {
  bool ok = false;
  int pages = 0;       // pages of the loaded document
  std::string error;   // Chinese, naming the document (when !ok)
  bool stopped = false;  // not (fully) tried: the pool was cancelled or is shutting down

  static ConversionOutcome Succeeded() {
    ConversionOutcome o;
    o.ok = true;
    return o;
  }
  static ConversionOutcome Failed(std::string error) {
    ConversionOutcome o;
    o.error = std::move(error);
    return o;
  }
  static ConversionOutcome Stopped(std::string error) {
    ConversionOutcome o = Failed(std::move(error));
    o.stopped = true;
    return o;
  }
};

struct ConversionJob {
  std::string source;        // the document to load
  bool take_source = false;  // delete `source` once done with it
  std::vector<StoreTarget> targets;
  std::string label;         // the document's name in messages ("张伟.docx")
};

struct OfficePoolOptions {
  int offices = 0;           // 0: one per core, at most 4
  std::string profile_root;  // where the profiles live; default ~/.cache/vexlo
  // A document an office has not finished after this long counts as hung.
  std::chrono::milliseconds job_timeout{std::chrono::seconds(90)};
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

  // Ends everything now: the offices are killed with their process groups, waiting jobs fail
  // with "已取消" and their sources are discarded. The pool starts offices again on next use.
  void Cancel();

  // Stops the offices (gracefully, then by force; only by force `at_exit`, when the program is
  // ending, after which submissions fail at once) and waits for them; waiting jobs fail.
  void Shutdown(bool at_exit = false);

  // Loads `document` and returns its page count; writes a PNG of its first page, `width`
  // pixels wide, to `png_path`. Blocks; any thread but none the pool runs on.
  ConversionOutcome RenderPagePng(const std::string& document, int width,
                                  const std::string& png_path);

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

  struct Office;
  struct Task;

 private:
  void Worker(std::size_t index);
  void Watchdog();
  std::shared_ptr<Task> TakeTask();  // caller holds mutex_
  // Caller holds mutex_. PDFs to make together: none when the next job is not one (nullopt) or
  // when more are worth waiting for (empty).
  std::optional<std::vector<std::shared_ptr<Task>>> TakeBatch();
  // Makes the PDFs of `batch` from one joined document; what cannot be made that way goes back
  // to the queue to be made alone.
  void ConvertBatch(Office& office, std::vector<std::shared_ptr<Task>> batch, int& stored);
  // Writes the .doc files of `task` from the base of its template and finishes it; false (the
  // task untouched) when there is no base or it cannot serve.
  bool WriteFromBase(const std::shared_ptr<Task>& task, const DocxTexts& texts);
  // Keeps `doc` (the office's .doc of a freshly loaded package with `texts`) as a base of its
  // template.
  void KeepBase(const std::string& doc, const DocxTexts& texts);
  // Whether the template of `frame` could use another base: its .doc is then made from a fresh
  // load rather than a kept document.
  bool WantsBase(std::size_t frame) const;
  // Replaces the office when it has grown too much since its first document.
  void ReplaceIfGrown(Office& office);
  void EnsureThreads();
  void Finish(const std::shared_ptr<Task>& task, ConversionOutcome outcome);
  // Ends the office politely (its kept document closed), then by force.
  void EndOffice(Office& office);
  // Kills the offices again and again until `settled` (called with mutex_ held) holds, then
  // once more.
  void KillUntilSettled(const std::function<bool()>& settled);

  OfficePoolOptions options_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Task>> waiting_;
  std::vector<std::unique_ptr<Office>> offices_;
  std::vector<std::thread> threads_;
  std::thread watchdog_;
  bool stopping_ = false;
  bool watchdog_stop_ = false;
  bool exiting_ = false;
  int generation_ = 0;  // raised by Cancel: tasks of an earlier generation are dropped
  int loads_ = 0;
  int starts_ = 0;
  int replaced_ = 0;
  int joined_ = 0;
  int from_base_ = 0;
  // The bases of each template (by its frame): records that one base cannot serve (an empty
  // value in one of them, another mix of scripts) may find another.
  struct Bases {
    std::vector<std::shared_ptr<const DocBase>> docs;
    int failures = 0;  // .doc files of the template that could not serve as bases
  };
  std::map<std::size_t, Bases> bases_;
  std::string fonts_env_;
  std::uint64_t next_order_ = 0;
  std::map<std::string, std::uint64_t> latest_;  // the newest request for each target path
};

// Counts the pages of a PDF file and checks it is complete; -1 when it is not a whole PDF.
int PdfPageCount(const std::string& path);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_POOL_H_
