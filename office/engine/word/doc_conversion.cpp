#include "office/engine/word/doc_conversion.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <future>
#include <map>
#include <mutex>
#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/status_error.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/convertible_input.h"
#include "office/engine/word/converted_templates.h"
#include "office/engine/word/document_model.h"
#include "office/engine/word/word_package.h"

namespace vexlo::engine::word {

using app::RuntimeError;
namespace fs = std::filesystem;

namespace {

void RequireSoffice(const std::string& path, std::string_view doing) {
  if (!OfficePool::Available()) {
    throw RuntimeError::File(path, std::string(doing) +
                                       "：处理 .doc、.rtf、.odt 格式需要 LibreOffice，"
                                       "但系统中没有安装 LibreOffice（找不到 soffice 程序）。"
                                       "请安装 LibreOffice，或改用 .docx 格式");
  }
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}


// Converts `path` into `target` with a LibreOffice of its own that loads, stores and ends on its
// main thread. Some documents that a warm office cannot store this way are stored fine: a
// document with comments makes an office without its graphical parts abort once it has a view
// of the document for a moment. Returns whether `target` was made.
bool ConvertAlone(SofficeRuns& runs, const std::string& path, const std::string& target) {
  const Result<std::string> made_folder = MakeTempFolder();
  if (!made_folder.ok()) return false;
  const std::string& folder = *made_folder;
  const SofficeResult run = runs.Convert({path}, "docx", folder, folder + "/profile");
  const std::string made = folder + "/" + fs::path(path).stem().string() + ".docx";
  bool ok = run.started && ReadAll(made).rfind("PK\x03\x04", 0) == 0;
  if (ok) {
    try {
      ReplaceFileAtomically(made, target);
    } catch (const RuntimeError&) {
      ok = false;
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return ok;
}

// The office's .docx of `path` at `made`: converted by the offices of `pool`, else by an office
// of its own run through `runs`.
Status ConvertToMade(OfficePool& pool, SofficeRuns& runs, const std::string& path,
                          const std::string& made) {
  ConversionJob job;
  job.source = path;
  job.label = fs::path(path).filename().string();
  job.targets.push_back({made, StoreFormat::kDocx});
  const ConversionOutcome outcome = pool.Submit(std::move(job)).get();
  // A conversion stopped by a cancel or by the program's end is not tried again alone.
  if (!outcome.ok() && (outcome.status().stopped() || !ConvertAlone(runs, path, made))) {
    return outcome.status();
  }
  return Status::Ok();
}

// The cache entry of template content `key`, converted from `path` (a private copy) by the
// offices of `pool` when there is no sound one; a .doc template's entry proven (and repaired)
// once. Runs on any thread.
TemplateConversion ConvertIntoCache(OfficePool& pool, SofficeRuns& runs, const std::string& path,
                                    const std::string& key) {
  TemplateConversion result;
  result.key = key;
  const ConvertedTemplates cache = UserConvertedTemplates();
  const bool proven = ExtensionOf(path) == ".doc";
  const std::optional<std::string> entry = cache.Find(key);
  if (entry) {
    result.docx_path = *entry;
    if (!proven) return result;
    if (std::optional<std::string> note = ConvertedTemplates::ReadNote(*entry)) {
      result.detour = DetourVerdict::Parse(*note);
      if (result.detour) return result;
    }
    result.docx_path.clear();
  }
  // The office writes beside the private copy; the entry is stored from what it wrote. The
  // office's re-save of the template, which the proof compares with, starts at once.
  const std::string folder = fs::path(path).parent_path().string();
  const std::string made = folder + "/converted.docx";
  std::optional<DetourProof> proof;
  if (proven) proof.emplace(pool, path, folder);
  // An entry kept without a verdict is proven now; one found damaged on the way is made again.
  const std::optional<std::string> kept = entry ? ConvertedTemplates::ReadEntry(*entry) : std::nullopt;
  const bool copied = kept && static_cast<bool>(std::ofstream(made, std::ios::binary) << *kept);
  if (Status converted = copied ? Status::Ok() : ConvertToMade(pool, runs, path, made); !converted.ok()) {
    result.error = converted.message();
    return result;
  }
  if (proof) result.detour = proof->Prove(made);
  const std::string docx = ReadAll(made);
  if (!docx.starts_with("PK\x03\x04")) {
    result.error = "LibreOffice 转换的结果不完整";
    return result;
  }
  try {
    result.docx_path = cache.Store(key, docx);
    if (result.detour) ConvertedTemplates::WriteNote(result.docx_path, result.detour->Serialize());
  } catch (const RuntimeError&) {
    result.docx_path.clear();
    result.docx = docx;  // a cache folder that cannot be written does not stop the run
  }
  return result;
}

// For a .doc template whose detour was proven to differ: its records are made from here on by
// filling the original (its bytes `doc`, proven under `key`) in the office. A copy of the .doc
// and the converted .docx `converted` as the engine writes its records go into the process's
// folder `process_folder`, where `pool` reads them.
void FillDirectly(OfficePool& pool, const Result<std::string>& process_folder, const std::string& key,
                  const std::string& doc, const std::string& converted, const std::string& path) {
  if (!process_folder.ok() || ContentDigest(doc) != key) return;
  const std::string& folder = *process_folder;
  std::string docx;
  try {
    docx = DocumentModel(WordPackage::FromBytes(converted, path), false).PackageBytes(".docx", true);
  } catch (const RuntimeError&) {
    return;
  }
  const std::string doc_copy = folder + "/direct-" + key + ".doc";
  const std::string docx_copy = folder + "/direct-" + key + ".docx";
  if (!(std::ofstream(doc_copy, std::ios::binary) << doc) || !(std::ofstream(docx_copy, std::ios::binary) << docx)) {
    return;
  }
  pool.FillDirectly(doc_copy, docx_copy);
}

}  // namespace

std::string ExtensionOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsNativeExtension(std::string_view e) {
  return e == ".docx" || e == ".docm" || e == ".dotx" || e == ".dotm";
}

bool IsConvertedExtension(std::string_view e) { return e == ".doc" || e == ".rtf" || e == ".odt"; }

Result<std::string> MakeTempFolder() { return MakePrivateTempFolder("word"); }

Result<std::string> DocConversions::ProcessTempFolder() {
  if (process_folder_.empty()) {
    Result<std::string> made = MakeTempFolder();
    if (!made.ok()) return made;
    process_folder_ = std::move(made).value();
  }
  return process_folder_;
}

Result<std::string> DocConversions::NewSnapshotFolder() {
  const Result<std::string> folder = ProcessTempFolder();
  if (!folder.ok()) return folder;
  const fs::path dir = fs::path(*folder) / std::to_string(++snapshots_);
  std::error_code ec;
  fs::create_directory(dir, ec);
  if (ec) return Status::File("无法创建临时文件夹“" + dir.string() + "”：" + ec.message());
  return dir.string();
}

void DocConversions::RemoveProcessTempFolder() {
  std::error_code ec;
  if (!process_folder_.empty()) fs::remove_all(process_folder_, ec);
  process_folder_.clear();
}

std::shared_future<TemplateConversion> DocConversions::PrepareTemplateAsync(
    const std::string& path) {
  std::promise<TemplateConversion> failed;
  std::error_code ec;
  if (!OfficePool::Available()) {
    failed.set_value(TemplateConversion{{}, "系统中没有安装 LibreOffice（找不到 soffice 程序）"});
    return failed.get_future().share();
  }
  const std::string bytes = ReadAll(path);
  if (bytes.empty()) {
    failed.set_value(TemplateConversion{{}, fs::exists(path, ec) ? "无法读取" : "不存在"});
    return failed.get_future().share();
  }
  if (Status readable = CheckWordDocument(bytes); !readable.ok()) {
    failed.set_value(TemplateConversion{{}, readable.message(), true});
    return failed.get_future().share();
  }
  const std::string key = ContentDigest(bytes);
  std::lock_guard lock(templates_mutex_);
  auto found = templates_.find(key);
  if (found != templates_.end()) {
    // A conversion that failed, or whose entry has gone since (found damaged), is made afresh.
    bool redo = false;
    if (found->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
      const TemplateConversion& done = found->second.get();
      redo = !done.error.empty() || (!done.docx_path.empty() && !fs::exists(done.docx_path, ec));
    }
    if (!redo) return found->second;
    templates_.erase(found);
  }
  // The template may change or go while the office reads it: it reads a private copy.
  const Result<std::string> made_folder = MakeTempFolder();
  const std::string folder = made_folder.ok() ? *made_folder : std::string();
  const std::string copy = folder.empty() ? std::string() : folder + "/template" + ExtensionOf(path);
  if (copy.empty() || !(std::ofstream(copy, std::ios::binary) << bytes)) {
    failed.set_value(TemplateConversion{{}, "无法创建临时文件"});
    return failed.get_future().share();
  }
  OfficePool::LoadRuntime();  // here, not on the conversion's thread
  auto future = std::async(std::launch::async, [&pool = pool_, &runs = runs_, copy, folder, key] {
                  TemplateConversion r = ConvertIntoCache(pool, runs, copy, key);
                  std::error_code e;
                  fs::remove_all(folder, e);
                  return r;
                }).share();
  templates_.emplace(key, future);
  return future;
}

std::string DocConversions::ConversionLoss(const std::string& path) {
  if (ExtensionOf(path) != ".doc") return "";
  const std::string bytes = ReadAll(path);
  if (bytes.empty()) return "";
  std::lock_guard lock(templates_mutex_);
  const auto found = templates_.find(ContentDigest(bytes));
  if (found == templates_.end() ||
      found->second.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    return "";
  }
  const std::optional<DetourVerdict>& detour = found->second.get().detour;
  return detour && detour->way == DetourVerdict::Way::kDiffers ? detour->why : "";
}

void DocConversions::ForgetTemplates() {
  std::lock_guard lock(templates_mutex_);
  templates_.clear();
}

void DocConversions::KeepTemplate(const std::string& key,
                                  std::shared_future<TemplateConversion> conversion) {
  std::lock_guard lock(templates_mutex_);
  templates_[key] = std::move(conversion);
}

void DocConversions::WarmUpFor(const std::string& template_path, bool needs_pdf) {
  if (!OfficePool::Available()) return;
  const bool converted = IsConvertedExtension(ExtensionOf(template_path));
  // One office to begin with: a second one starting at the same time would slow the first.
  if (needs_pdf || converted) pool_.Start(1);
  std::error_code ec;
  if (converted && fs::is_regular_file(template_path, ec)) PrepareTemplateAsync(template_path);
}

std::string DocConversions::ConvertToDocx(const std::string& path) {
  RequireSoffice(path, "无法打开");
  std::error_code ec;
  if (!fs::exists(path, ec)) throw RuntimeError::File(path, "不存在");
  // An entry found damaged when it is read was removed: the second round converts it again.
  for (int round = 0; round < 2; ++round) {
    const TemplateConversion r = PrepareTemplateAsync(path).get();
    if (r.refused) throw RuntimeError::Format(path, r.error);
    const bool direct = r.detour && r.detour->way == DetourVerdict::Way::kDiffers;
    if (!r.docx.empty()) {
      if (r.detour) detour_log_.Say(fs::path(path).filename().string(), r.key, *r.detour);
      if (direct) FillDirectly(pool_, ProcessTempFolder(), r.key, ReadAll(path), r.docx, path);
      return r.docx;
    }
    if (!r.error.empty() || r.docx_path.empty()) {
      throw RuntimeError::Format(path, "已损坏或不是有效的 Word 文档（LibreOffice 无法转换它）");
    }
    if (std::optional<std::string> docx = ConvertedTemplates::ReadEntry(r.docx_path)) {
      if (r.detour) detour_log_.Say(fs::path(path).filename().string(), r.key, *r.detour);
      if (direct) FillDirectly(pool_, ProcessTempFolder(), r.key, ReadAll(path), *docx, path);
      return *docx;
    }
  }
  throw RuntimeError::File(path, "无法打开：它的转换结果在缓存文件夹中一再损坏");
}

DocConversions::~DocConversions() {
  // A conversion that failed in the offices just before they stopped may be converting alone:
  // that converter is ended until every template conversion has returned.
  for (auto& [key, conversion] : templates_) {
    while (conversion.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      runs_.EndRunning();
    }
  }
  RemoveProcessTempFolder();
}

void DocConversions::QueueConverted(std::string_view docx, const std::string& path) {
  RequireSoffice(path, "无法保存");
  const Result<std::string> folder = ProcessTempFolder();
  if (!folder.ok()) throw RuntimeError::File(path, "无法保存：无法创建临时文件夹");
  const fs::path staged = fs::path(*folder) / ("saved-" + std::to_string(++staged_) + ".docx");
  {
    std::ofstream o(staged, std::ios::binary);
    o.write(docx.data(), static_cast<std::streamsize>(docx.size()));
    if (!o) throw RuntimeError::File(path, "无法保存：临时文件写入失败");
  }
  ConversionJob job;
  job.source = staged.string();
  job.take_source = true;
  job.label = fs::path(path).filename().string();
  job.targets.push_back({path, FormatOfPath(path)});
  saved_.push_back(pool_.Submit(std::move(job)));
}

void DocConversions::Drop() {
  pool_.Cancel();
  saved_.clear();
}

void DocConversions::Flush(const office::WaitWatch& watch) {
  std::vector<std::shared_future<ConversionOutcome>> pending;
  pending.swap(saved_);
  // The one who waits (the progress window) is told how far the conversions have come, and
  // may stop them.
  const int total = static_cast<int>(pending.size());
  for (;;) {
    int done = 0;
    while (done < total && pending[static_cast<std::size_t>(done)].wait_for(std::chrono::seconds(0)) ==
                               std::future_status::ready) {
      ++done;
    }
    if (done == total) break;
    if (watch && watch(office::WaitStage::kDocuments, done, total)) {
      Drop();
      return;
    }
    pending[static_cast<std::size_t>(done)].wait_for(std::chrono::milliseconds(30));
  }
  for (auto& f : pending) {
    const ConversionOutcome& outcome = f.get();
    if (!outcome.ok()) throw ErrorRecordOf(Status::Output("无法保存：" + outcome.message()));
  }
}

}  // namespace vexlo::engine::word
