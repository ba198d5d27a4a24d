#include "office/engine/soffice/job_queue.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QByteArrayView>
#include <QCryptographicHash>

namespace vexlo::engine {

namespace {

// PDFs made from one joined document: enough that the export's fixed cost hardly counts, few
// enough that each record's fonts stay small and the offices share the work.
constexpr std::size_t kBatchMax = 48;
// ... and no more than this much of them, so that a batch of large records (pictures, many
// pages) stays well within the time an office is given.
constexpr std::uintmax_t kBatchBytes = 4u << 20;

}  // namespace

std::shared_ptr<Task> MakeTask(ConversionJob job, std::string_view bytes) {
  auto task = std::make_shared<Task>();
  // Strong enough that equal digests and sizes mean equal bytes: twins are found without
  // reading any file again.
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha256);
  task->digest.assign(digest.constData(), static_cast<std::size_t>(digest.size()));
  task->size = bytes.size();
  task->zip = bytes.substr(0, 4) == "PK\x03\x04";
  task->job = std::move(job);
  task->future = task->promise.get_future().share();
  task->queued = PoolClock::now();
  return task;
}

std::shared_ptr<Task> ReadTask(ConversionJob job) {
  std::ifstream in(job.source, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  return MakeTask(std::move(job), bytes);
}

void FinishTask(Task& task, ConversionOutcome outcome) {
  if (task.job.take_source) {
    std::error_code ec;
    std::filesystem::remove(task.job.source, ec);
  }
  task.promise.set_value(std::move(outcome));
}

JobQueue::Added JobQueue::Add(std::shared_ptr<Task> task) {
  Added added;
  task->generation = generation_;
  for (StoreTarget& t : task->job.targets) {
    t.order = ++next_order_;
    latest_[t.path] = t.order;
  }
  added.superseded = Supersede(*task);
  if (std::shared_ptr<Task> twin = Twin(*task)) {
    twin->job.targets.insert(twin->job.targets.end(), task->job.targets.begin(), task->job.targets.end());
    if (task->job.take_source && task->job.source != twin->job.source) {
      added.surplus_source = task->job.source;
    }
    added.future = twin->future;
    return added;
  }
  waiting_.push_back(task);
  added.future = task->future;
  return added;
}

std::vector<std::shared_ptr<Task>> JobQueue::Supersede(const Task& task) {
  for (const StoreTarget& t : task.job.targets) {
    for (auto& w : waiting_) {
      std::erase_if(w->job.targets, [&](const StoreTarget& o) { return o.path == t.path; });
    }
  }
  std::vector<std::shared_ptr<Task>> emptied;
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if ((*it)->job.targets.empty()) {
      emptied.push_back(*it);
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  return emptied;
}

bool JobQueue::ShareLoad(const ConversionJob& a, const ConversionJob& b) const {
  const StoreFormat via = PdfRoute(a) != StoreFormat::kDocx ? PdfRoute(a) : PdfRoute(b);
  // PDFs made through a stored file go with that file only: they show the very file stored.
  if (via != StoreFormat::kDocx) return OnlyThrough(a, via) && OnlyThrough(b, via);
  // Not a PDF with another format when PDFs are joined: the PDF goes into a joined export and
  // the other is made from the kept document, neither of which loads it.
  return !rules_.join_records || OnlyFormat(a, StoreFormat::kPdf) == OnlyFormat(b, StoreFormat::kPdf);
}

std::shared_ptr<Task> JobQueue::Twin(const Task& task) const {
  for (const auto& w : waiting_) {
    if (w->digest == task.digest && w->size == task.size && ShareLoad(w->job, task.job)) return w;
  }
  return nullptr;
}

std::shared_ptr<Task> JobQueue::TakeTask(PoolClock::time_point now) {
  if (waiting_.empty()) return nullptr;
  if (waiting_.size() == 1 && now - waiting_.front()->queued < rules_.coalesce_wait &&
      waiting_.front()->attempts == 0 && !waiting_.front()->job.unshared) {
    return nullptr;
  }
  std::shared_ptr<Task> task = waiting_.front();
  waiting_.pop_front();
  return task;
}

// A job whose PDFs may be made with others' PDFs, of a package (JoinForPages reads the rest):
// PDFs only, showing the package itself, or PDFs showing the package stored as .doc with that
// .doc (made alone afterwards; see ConvertBatch).
bool JobQueue::Joinable(const Task& task) const {
  if (task.alone || !task.zip || task.attempts != 0 || !HasFormat(task.job, StoreFormat::kPdf) ||
      HasFormat(task.job, StoreFormat::kText)) {
    return false;
  }
  const StoreFormat via = PdfRoute(task.job);
  return via == StoreFormat::kDocx ? OnlyFormat(task.job, StoreFormat::kPdf)
                                   : via == StoreFormat::kDoc && OnlyThrough(task.job, via);
}

std::optional<std::vector<std::shared_ptr<Task>>> JobQueue::TakeBatch(PoolClock::time_point now) {
  if (!rules_.join_records || waiting_.empty() || !Joinable(*waiting_.front())) return std::nullopt;
  std::size_t joinable = 0;
  PoolClock::time_point newest{};
  for (const auto& t : waiting_) {
    if (!Joinable(*t)) continue;
    ++joinable;
    newest = std::max(newest, t->queued);
  }
  // While documents keep coming, a batch waits until it is full.
  if (joinable < kBatchMax && now - newest < rules_.coalesce_wait / 2) {
    return std::vector<std::shared_ptr<Task>>{};
  }
  // The offices share what waits.
  const std::size_t offices = static_cast<std::size_t>(std::max(1, rules_.offices));
  const std::size_t size = std::min(kBatchMax, (joinable + offices - 1) / offices);
  std::vector<std::shared_ptr<Task>> batch;
  std::uintmax_t bytes = 0;
  // One batch shows one kind of file: the packages themselves, or their .doc files.
  const StoreFormat via = PdfRoute(waiting_.front()->job);
  for (auto it = waiting_.begin(); it != waiting_.end() && batch.size() < size;) {
    if (Joinable(**it) && PdfRoute((*it)->job) == via) {
      if (!batch.empty() && bytes + (*it)->size > kBatchBytes) break;
      bytes += (*it)->size;
      batch.push_back(*it);
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  return batch;
}

void JobQueue::PushFront(std::shared_ptr<Task> task) { waiting_.push_front(std::move(task)); }

std::deque<std::shared_ptr<Task>> JobQueue::Cancel() {
  ++generation_;
  return TakeAll();
}

std::deque<std::shared_ptr<Task>> JobQueue::TakeAll() {
  std::deque<std::shared_ptr<Task>> all;
  all.swap(waiting_);
  return all;
}

bool JobQueue::Newest(const StoreTarget& target) const {
  const auto it = latest_.find(target.path);
  return it != latest_.end() && it->second == target.order;
}

}  // namespace vexlo::engine
