#include "office/engine/soffice/doc_bases.h"

#include <fstream>
#include <iterator>

#include "office/engine/soffice/pool_state.h"

namespace vexlo::engine {

namespace {

constexpr int kBaseFailures = 3;  // .doc files of a template tried as bases
constexpr std::size_t kBasesPerTemplate = 4;
constexpr std::size_t kTemplates = 16;  // templates whose bases are kept

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

bool DocBases::Wants(std::size_t frame) const {
  std::lock_guard lock(mutex_);
  return WantsLocked(frame);
}

bool DocBases::WantsLocked(std::size_t frame) const {
  if (!enabled_) return false;
  const auto it = bases_.find(frame);
  return it == bases_.end() ||
         (it->second.docs.size() < kBasesPerTemplate && it->second.failures < kBaseFailures);
}

void DocBases::Keep(const std::string& doc, const DocxTexts& texts) {
  if (!Wants(texts.frame)) return;
  Result<std::shared_ptr<const DocBase>> base = DocBase::Make(ReadAll(doc), texts);
  std::lock_guard lock(mutex_);
  if (bases_.size() >= kTemplates && !bases_.contains(texts.frame)) bases_.erase(bases_.begin());
  Bases& kept = bases_[texts.frame];
  if (!base.ok()) {
    ++kept.failures;
  } else if (kept.docs.size() < kBasesPerTemplate) {
    kept.docs.push_back(std::move(base).value());
  }
}

std::optional<std::string> DocBases::Write(const DocxTexts& texts) const {
  std::vector<std::shared_ptr<const DocBase>> bases;
  {
    std::lock_guard lock(mutex_);
    const auto it = bases_.find(texts.frame);
    if (it != bases_.end()) bases = it->second.docs;
  }
  for (const auto& base : bases) {
    if (Result<std::string> bytes = base->Write(texts); bytes.ok()) return std::move(bytes).value();
  }
  return std::nullopt;
}

bool WriteFromBase(PoolState& pool, const std::shared_ptr<Task>& task, const DocxTexts& texts) {
  if (!OnlyFormat(task->job, StoreFormat::kDoc)) return false;
  const std::optional<std::string> bytes = pool.bases.Write(texts);
  if (!bytes) return false;
  ++task->attempts;
  bool dropped = false;
  {
    std::lock_guard lock(pool.mutex);
    dropped = pool.Dropped(*task);
  }
  Status put = dropped ? Status::Stopped("已取消") : pool.delivery.PutBytes(task->job.targets, *bytes);
  if (put.ok()) {
    pool.Count(&PoolCounters::from_base);
    FinishTask(*task, 0);
  } else {
    FinishTask(*task, std::move(put));
  }
  return true;
}

}  // namespace vexlo::engine
