#include "office/engine/soffice/office_pool.h"

#include <pthread.h>

#include <algorithm>
#include <filesystem>

#include "office/engine/package/temp_folder.h"
#include "office/engine/soffice/doc_bases.h"
#include "office/engine/soffice/document_conversion.h"
#include "office/engine/soffice/joined_export.h"
#include "office/engine/soffice/office.h"
#include "office/engine/soffice/pool_state.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kMaxAttempts = 2;  // a document is tried once more on a fresh office
constexpr std::size_t kSpreadAt = 4;  // documents waiting before an idle office is started

}  // namespace

bool OfficePool::Available() { return !SofficeProgram().empty(); }

void OfficePool::LoadRuntime() { LoadUnoRuntime(); }

OfficePool::OfficePool(OfficePoolOptions options) {
  if (options.offices <= 0) {
    options.offices = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  }
  if (options.profile_root.empty()) options.profile_root = DefaultProfileRoot();
  state_ = std::make_unique<PoolState>(options);
}

OfficePool::~OfficePool() { Shutdown(); }

void OfficePool::EnsureThreads() {
  if (!threads_.empty()) return;
  state_->stopping = false;
  std::error_code ec;
  fs::create_directories(state_->options.profile_root, ec);
  state_->fonts_env = "FONTCONFIG_FILE=" + WriteFontsConf(state_->options.profile_root);
  offices_.clear();
  for (int i = 0; i < state_->options.offices; ++i) {
    offices_.push_back(std::make_unique<Office>(static_cast<std::size_t>(i)));
  }
  for (std::size_t i = 0; i < offices_.size(); ++i) threads_.emplace_back(&OfficePool::Worker, this, i);
  watchdog_ = std::thread(&OfficePool::Watchdog, this);
}

void OfficePool::Start(int count) {
  LoadRuntime();
  std::lock_guard lock(state_->mutex);
  EnsureThreads();
  for (auto& office : offices_) {
    if (count <= 0 || static_cast<int>(office->index) < count) office->want_running = true;
  }
  state_->wake.notify_all();
}

bool OfficePool::FillDirectly(const std::string& doc, const std::string& docx) {
  return state_->direct.Add(doc, ReadDocxTexts(docx));
}

std::shared_future<ConversionOutcome> OfficePool::Submit(ConversionJob job) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->exiting) {
      std::promise<ConversionOutcome> refused;
      refused.set_value(Status::Stopped("无法转换“" + job.label + "”：程序正在退出"));
      return refused.get_future().share();
    }
  }
  LoadRuntime();
  // Read and hashed before the lock: the watchdog needs it meanwhile.
  std::shared_ptr<Task> task = ReadTask(std::move(job));
  JobQueue::Added added;
  {
    std::lock_guard lock(state_->mutex);
    // The offices may have begun to stop (the program to end) while the task was read: a task
    // queued now would be taken by no one, and whoever waits for it would wait for ever.
    if (state_->exiting || state_->stopping) {
      FinishTask(*task, Status::Stopped("无法转换“" + task->job.label + "”：" +
                                        (state_->exiting ? "程序正在退出" : "办公软件正在停止")));
      return task->future;
    }
    EnsureThreads();
    added = state_->queue.Add(task);
  }
  state_->wake.notify_all();
  if (!added.surplus_source.empty()) {
    std::error_code ec;
    fs::remove(added.surplus_source, ec);
  }
  for (auto& s : added.superseded) FinishTask(*s, 0);
  return added.future;
}

bool OfficePool::WaitForWork(Office& office, std::unique_lock<std::mutex>& lock, std::shared_ptr<Task>& task,
                             std::vector<std::shared_ptr<Task>>& batch) {
  office.engaged = false;
  for (;;) {
    if (state_->stopping) return false;
    // An office that is not running starts for work only when there is enough of it for the
    // start to pay, and not while the first one is starting (on a busy machine two starting at
    // once take twice as long); the first office always takes work.
    if (!state_->paused && (office.index == 0 || office.want_running ||
                            (state_->queue.size() >= kSpreadAt && offices_[0]->ready))) {
      const auto now = PoolClock::now();
      if (auto joinable = state_->queue.TakeBatch(now)) {
        batch = std::move(*joinable);
        if (batch.size() == 1) {
          task = batch.front();
          batch.clear();
        }
      } else {
        task = state_->queue.TakeTask(now);
      }
    }
    if (task || !batch.empty()) break;
    if (office.want_running && !office.process.Alive()) break;  // to start it
    state_->wake.wait_for(lock, state_->options.coalesce_wait / 2);
  }
  office.want_running = true;
  office.engaged = true;
  office.engaged_generation = state_->queue.generation();
  return true;
}

DocxTexts OfficePool::TextsFor(const Task& task) const {
  // The texts serve a kept document and the .doc bases.
  const OfficePoolOptions& options = state_->options;
  if (!task.zip) return {};
  if ((task.job.take_source && (options.keep_documents || !state_->direct.empty())) ||
      (options.doc_from_base && MakesFormat(task.job, StoreFormat::kDoc))) {
    return ReadDocxTexts(task.job.source);
  }
  return {};
}

Result<std::string> OfficePool::MakeOfficeFolder() const {
  const std::string& root = state_->options.work_root;
  return root.empty() ? MakePrivateTempFolder("office", TempSpeed::kMemory) : MakePrivateTempFolderIn(root, "office");
}

Status OfficePool::CheckOfficeFolder(Office& office) {
  if (office.work_dir.empty()) {
    if (Result<std::string> made = MakeOfficeFolder(); made.ok()) office.work_dir = std::move(made).value();
  }
  Status writable =
      office.work_dir.empty() ? Status::File("无法创建临时文件夹") : CheckFolderWritable(office.work_dir);
  std::lock_guard lock(state_->mutex);
  state_->folder_fault = !writable.ok();
  return writable;
}

bool OfficePool::FailOnFolderFault(Office& office, const std::shared_ptr<Task>& task,
                                   std::vector<std::shared_ptr<Task>>& batch) {
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->folder_fault && !office.work_dir.empty()) return false;
  }
  const Status writable = CheckOfficeFolder(office);
  if (writable.ok()) return false;
  if (task) batch.push_back(task);
  for (auto& t : batch) FinishTask(*t, writable.Led("无法转换“" + t->job.label + "”："));
  return true;
}

void OfficePool::Worker(std::size_t index) {
  Office& office = *offices_[index];
  if (Result<std::string> made = MakeOfficeFolder(); made.ok()) office.work_dir = std::move(made).value();
  ::pthread_getcpuclockid(::pthread_self(), &office.worker_clock);
  for (;;) {
    std::shared_ptr<Task> task;
    std::vector<std::shared_ptr<Task>> batch;
    {
      std::unique_lock lock(state_->mutex);
      if (!WaitForWork(office, lock, task, batch)) break;
    }
    const DocxTexts texts = task ? TextsFor(*task) : DocxTexts{};
    // The records of a template whose .doc the pool has made before are written from that one.
    if (texts.ok && state_->options.doc_from_base && WriteFromBase(*state_, task, texts)) continue;
    // Once the offices' folder cannot be written, what waits fails at once, without an office.
    if (FailOnFolderFault(office, task, batch)) continue;
    if (!EnsureRunning(office, task, batch)) continue;
    if (!batch.empty()) {
      // Records of a template filled directly are never joined: each is made in the original.
      RunDirectOnes(office, batch);
    }
    if (!batch.empty()) {
      ConvertBatch(office, *state_, std::move(batch));
      ReplaceIfGrown(office);
    } else if (task) {
      RunTask(office, task, texts);
    }
  }
  EndWorker(office);
}

bool OfficePool::EnsureRunning(Office& office, const std::shared_ptr<Task>& task,
                               std::vector<std::shared_ptr<Task>>& batch) {
  if (office.process.Alive()) return true;
  Status started = StartOffice(office, *state_);
  if (!started.ok()) {
    if (Status writable = CheckOfficeFolder(office); !writable.ok()) started = std::move(writable);
  }
  {
    std::lock_guard lock(state_->mutex);
    ++state_->counters.starts;
    office.ready = started.ok();
    office.jobs = 0;
    if (!started.ok()) office.want_running = false;
  }
  state_->wake.notify_all();  // for those who wait for the offices to answer
  if (started.ok()) return true;
  if (task) batch.push_back(task);
  for (auto& t : batch) {
    ++t->attempts;
    FinishTask(*t, started.Led("无法转换“" + t->job.label + "”："));
  }
  return false;
}

void OfficePool::RunDirectOnes(Office& office, std::vector<std::shared_ptr<Task>>& batch) {
  if (state_->direct.empty()) return;
  std::vector<std::shared_ptr<Task>> joined;
  for (std::shared_ptr<Task>& t : batch) {
    const DocxTexts texts = TextsFor(*t);
    std::string why;
    if (PlanDirect(state_->direct, texts, why) || !why.empty()) {
      RunTask(office, t, texts);
    } else {
      joined.push_back(std::move(t));
    }
  }
  batch = std::move(joined);
}

void OfficePool::RunTask(Office& office, const std::shared_ptr<Task>& task, const DocxTexts& texts) {
  ++task->attempts;
  state_->BeginJob(office, JobKind::kConversion, 1, state_->options.job_timeout);
  DocumentResult result = ConvertDocument(office, *state_, *task, texts);
  ConversionOutcome& outcome = result.outcome;
  // A folder that cannot be written fails every try alike: no retry, no fresh office.
  const Status writable = outcome.ok() ? Status::Ok() : CheckOfficeFolder(office);
  if (!writable.ok()) outcome = writable;
  bool cancelled = false;
  bool retry = false;
  {
    std::lock_guard lock(state_->mutex);
    state_->EndJob(office, outcome.ok() && !result.office_failed);
    cancelled = state_->Dropped(*task);
    retry = !outcome.ok() && !cancelled && writable.ok() && task->attempts < kMaxAttempts;
    if (retry) state_->queue.PushFront(task);
  }
  if (result.office_failed || (!outcome.ok() && !office.process.Alive())) {
    DropOffice(office);
  } else if (!outcome.ok()) {
    // Whatever went wrong may have left the kept document half changed.
    CloseKeptDocument(office);
  }
  if (retry) return;
  if (cancelled && !outcome.ok()) outcome = Status::Stopped("已取消");
  if (!outcome.ok()) {
    const Status& failed = outcome.status();
    outcome = Status(failed.code(), "无法转换“" + task->job.label + "”：" + failed.message() +
                                        (task->attempts >= kMaxAttempts ? "（已重试一次）" : ""));
  }
  FinishTask(*task, std::move(outcome));
  ReplaceIfGrown(office);
}

// An office grows a little with every PDF it makes and never gives it back: once it has grown by
// growth_limit_mb since its first document, it is replaced between two documents, so that memory
// stays bounded however many documents go through.
void OfficePool::ReplaceIfGrown(Office& office) {
  OfficeProcess& process = office.process;
  const long rss_kb = process.Alive() ? process.ResidentKb() : 0;
  if (rss_kb > 0 && process.baseline_kb == 0) {
    process.baseline_kb = rss_kb;
  } else if (rss_kb > 0 && rss_kb - process.baseline_kb >= state_->options.growth_limit_mb * 1024L) {
    EndOffice(office, *state_);
    process.baseline_kb = 0;
    state_->Count(&PoolCounters::replaced);
  }
}

void OfficePool::EndWorker(Office& office) {
  // Shutting down: a polite end first, then by force; when the program is ending, by force.
  bool exiting = false;
  {
    std::lock_guard lock(state_->mutex);
    exiting = state_->exiting;
  }
  if (exiting) office.process.Kill();
  EndOffice(office, *state_);
  office.process.ReleaseProfile();
  std::error_code ec;
  if (!office.work_dir.empty()) fs::remove_all(office.work_dir, ec);
}

long OfficePool::ProgressMs(Office& office) const {
  timespec worker{};
  ::clock_gettime(office.worker_clock, &worker);
  return office.process.GroupCpuMs() + worker.tv_sec * 1000L + worker.tv_nsec / 1000000L;
}

void OfficePool::Watchdog() {
  std::unique_lock lock(state_->mutex);
  const std::chrono::milliseconds quiet = state_->options.stall.quiet;
  for (;;) {
    const bool stop = state_->watchdog_stop;
    for (auto& office : offices_) {
      Office& o = *office;
      const JobWatch::Verdict verdict = o.job.Judge(PoolClock::now(), quiet, [this, &o] { return ProgressMs(o); });
      if (verdict == JobWatch::Verdict::kFine) continue;
      // Hung, or stalled: kill it with everything it started; the call waiting on it fails, the
      // worker starts a new office and tries the job again.
      state_->EndJob(o, false);
      if (verdict == JobWatch::Verdict::kStalled) ++state_->counters.stalled;
      lock.unlock();
      o.process.Kill();
      lock.lock();
    }
    if (stop) return;
    state_->wake.wait_for(lock, 100ms);
  }
}

void OfficePool::Cancel() {
  std::deque<std::shared_ptr<Task>> dropped;
  {
    std::lock_guard lock(state_->mutex);
    dropped = state_->queue.Cancel();
    state_->paused = false;
    for (auto& office : offices_) office->want_running = false;
  }
  // A worker still busy with earlier work may be starting an office right now: the offices are
  // killed until every such worker is back at its wait, so that none outlives the cancel.
  KillUntilSettled([this] {
    return std::none_of(offices_.begin(), offices_.end(), [this](const auto& office) {
      return office->engaged && office->engaged_generation != state_->queue.generation();
    });
  });
  for (auto& task : dropped) {
    FinishTask(*task, Status::Stopped("无法转换“" + task->job.label + "”：已取消"));
  }
}

void OfficePool::Pause(bool paused) {
  {
    std::lock_guard lock(state_->mutex);
    state_->paused = paused;
  }
  state_->wake.notify_all();
}

void OfficePool::Shutdown(bool at_exit) {
  std::deque<std::shared_ptr<Task>> dropped;
  {
    std::lock_guard lock(state_->mutex);
    state_->exiting = state_->exiting || at_exit;  // for good: nothing starts again while the program ends
    if (threads_.empty()) return;
    state_->stopping = true;
    dropped = state_->queue.TakeAll();
  }
  state_->wake.notify_all();
  for (auto& task : dropped) {
    FinishTask(*task, Status::Stopped("无法转换“" + task->job.label + "”：程序正在退出"));
  }
  if (at_exit) {
    // No office may be left starting or working while the program's state goes.
    KillUntilSettled([this] {
      return std::none_of(offices_.begin(), offices_.end(), [](const auto& office) { return office->engaged; });
    });
  }
  for (auto& t : threads_) t.join();
  threads_.clear();
  {
    std::lock_guard lock(state_->mutex);
    state_->watchdog_stop = true;
  }
  state_->wake.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
  std::lock_guard lock(state_->mutex);
  offices_.clear();
  state_->stopping = false;
  state_->watchdog_stop = false;
}

void OfficePool::KillUntilSettled(const std::function<bool()>& settled) {
  std::unique_lock lock(state_->mutex);
  for (;;) {
    lock.unlock();
    for (auto& office : offices_) office->process.Kill();
    lock.lock();
    if (settled()) break;
    state_->wake.wait_for(lock, 20ms);
  }
  lock.unlock();
  for (auto& office : offices_) office->process.Kill();
}

std::vector<int> OfficePool::OfficePids() const {
  std::vector<int> pids;
  std::lock_guard lock(state_->mutex);
  for (auto& office : offices_) {
    if (const pid_t pid = office->process.Pid(); pid > 0) pids.push_back(pid);
  }
  return pids;
}

int OfficePool::Counter(int PoolCounters::*counter) const {
  std::lock_guard lock(state_->mutex);
  return state_->counters.*counter;
}

int OfficePool::loads() const { return Counter(&PoolCounters::loads); }
int OfficePool::starts() const { return Counter(&PoolCounters::starts); }
int OfficePool::replaced() const { return Counter(&PoolCounters::replaced); }
int OfficePool::joined() const { return Counter(&PoolCounters::joined); }
int OfficePool::from_base() const { return Counter(&PoolCounters::from_base); }
int OfficePool::stalled() const { return Counter(&PoolCounters::stalled); }

bool OfficePool::WaitForJob(std::chrono::milliseconds limit, std::optional<JobKind> kind) const {
  std::unique_lock lock(state_->mutex);
  return state_->wake.wait_for(lock, limit, [&] {
    return std::any_of(offices_.begin(), offices_.end(), [&](const auto& office) {
      return office->job.busy() && (!kind || office->job.kind() == *kind);
    });
  });
}

bool OfficePool::WaitForOffices(int count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(state_->mutex);
  return state_->wake.wait_for(lock, limit, [&] {
    return std::count_if(offices_.begin(), offices_.end(), [](const auto& office) {
             return office->ready && office->process.Pid() > 0;
           }) >= count;
  });
}

}  // namespace vexlo::engine
