#include "office/engine/word/doc_conversion.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <future>
#include <map>
#include <mutex>
#include <vector>

#include <QCryptographicHash>

#include "app/runtime_error.h"
#include "office/engine/engine_services.h"
#include "office/engine/output/output_queue.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/soffice.h"

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

std::string ContentKey(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                  QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}


// Converts `path` into `cached` with a LibreOffice of its own that loads, stores and ends on its
// main thread. Some documents that a warm office cannot store this way are stored fine: a
// document with comments makes an office without its graphical parts abort once it has a view
// of the document for a moment. Returns whether `cached` was made.
bool ConvertAlone(const std::string& path, const std::string& cached) {
  const std::string folder = MakeTempFolder();
  if (folder.empty()) return false;
  const SofficeResult run = RunSofficeConvert({path}, "docx", folder, folder + "/profile");
  const std::string made = folder + "/" + fs::path(path).stem().string() + ".docx";
  bool ok = run.started && ReadAll(made).rfind("PK\x03\x04", 0) == 0;
  if (ok) {
    try {
      ReplaceFileAtomically(made, cached);
    } catch (const RuntimeError&) {
      ok = false;
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  return ok;
}

// Converts `path` into the cache file `cached` with the offices of `pool`. Runs on any thread.
TemplateConversion ConvertIntoCache(OfficePool& pool, const std::string& path,
                                    const std::string& cached) {
  TemplateConversion result;
  std::error_code ec;
  if (fs::exists(cached, ec)) {
    result.docx_path = cached;
    return result;
  }
  fs::create_directories(fs::path(cached).parent_path(), ec);
  ConversionJob job;
  job.source = path;
  job.label = fs::path(path).filename().string();
  job.targets.push_back({cached, StoreFormat::kDocx});
  const ConversionOutcome outcome = pool.Submit(std::move(job)).get();
  // A conversion stopped by a cancel or by the program's end is not tried again alone.
  if (outcome.ok || (!outcome.stopped && ConvertAlone(path, cached))) {
    result.docx_path = cached;
  } else {
    result.error = outcome.error;
  }
  return result;
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

std::string MakeTempFolder() { return MakePrivateTempFolder("word"); }

const std::string& ProcessTempFolder() {
  struct Folder {
    std::string path = MakeTempFolder();
    ~Folder() {
      std::error_code ec;
      if (!path.empty()) fs::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

std::shared_future<TemplateConversion> PrepareTemplateAsync(const std::string& path) {
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
  const std::string cached = DefaultProfileRoot() + "/templates/" + ContentKey(bytes) + ".docx";
  ConversionBacklog& cache = Services().conversions();
  std::lock_guard lock(cache.templates_mutex);
  auto found = cache.templates.find(cached);
  if (found != cache.templates.end()) {
    const bool failed_before = found->second.wait_for(std::chrono::seconds(0)) ==
                                   std::future_status::ready &&
                               !found->second.get().error.empty();
    if (!failed_before) return found->second;
    cache.templates.erase(found);
  }
  // The template may change or go while the office reads it: it reads a private copy.
  const std::string folder = MakeTempFolder();
  const std::string copy = folder.empty() ? std::string() : folder + "/template" + ExtensionOf(path);
  if (copy.empty() || !(std::ofstream(copy, std::ios::binary) << bytes)) {
    failed.set_value(TemplateConversion{{}, "无法创建临时文件"});
    return failed.get_future().share();
  }
  OfficePool::LoadRuntime();  // here, not on the conversion's thread
  OfficePool& pool = Services().pool();
  auto future = std::async(std::launch::async, [&pool, copy, folder, cached] {
                  TemplateConversion r = ConvertIntoCache(pool, copy, cached);
                  std::error_code e;
                  fs::remove_all(folder, e);
                  return r;
                }).share();
  cache.templates.emplace(cached, future);
  return future;
}

void WarmUpFor(const std::string& template_path, bool needs_pdf) {
  if (!OfficePool::Available()) return;
  const bool converted = IsConvertedExtension(ExtensionOf(template_path));
  // One office to begin with: a second one starting at the same time would slow the first.
  if (needs_pdf || converted) Services().pool().Start(1);
  std::error_code ec;
  if (converted && fs::is_regular_file(template_path, ec)) PrepareTemplateAsync(template_path);
}

std::string ConvertToDocx(const std::string& path) {
  RequireSoffice(path, "无法打开");
  std::error_code ec;
  if (!fs::exists(path, ec)) throw RuntimeError::File(path, "不存在");
  const TemplateConversion r = PrepareTemplateAsync(path).get();
  if (!r.error.empty() || r.docx_path.empty()) {
    throw RuntimeError::Format(path, "已损坏或不是有效的 Word 文档（LibreOffice 无法转换它）");
  }
  return ReadAll(r.docx_path);
}

ConversionBacklog::~ConversionBacklog() {
  // A conversion that failed in the offices just before they stopped may be converting alone:
  // that converter is ended until every template conversion has returned.
  for (auto& [cached, conversion] : templates) {
    while (conversion.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      EndRunningConversions();
    }
  }
}

void QueueConverted(std::string_view docx, const std::string& path) {
  RequireSoffice(path, "无法保存");
  ConversionBacklog& backlog = Services().conversions();
  const std::string& folder = ProcessTempFolder();
  if (folder.empty()) throw RuntimeError::File(path, "无法保存：无法创建临时文件夹");
  const fs::path staged = fs::path(folder) / ("saved-" + std::to_string(++backlog.staged) + ".docx");
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
  backlog.saved.push_back(Services().pool().Submit(std::move(job)));
}

void DropConversions() {
  Services().pool().Cancel();
  Services().conversions().saved.clear();
}

void FlushConversions() {
  std::vector<std::shared_future<ConversionOutcome>> pending;
  pending.swap(Services().conversions().saved);
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
    if (const office::WaitWatch& watch = FlushWatch(); watch && watch(done, total)) {
      DropConversions();
      return;
    }
    pending[static_cast<std::size_t>(done)].wait_for(std::chrono::milliseconds(30));
  }
  std::string first_error;
  for (auto& f : pending) {
    const ConversionOutcome& outcome = f.get();
    if (!outcome.ok && first_error.empty()) first_error = "无法保存：" + outcome.error;
  }
  if (!first_error.empty()) throw RuntimeError::Output(first_error);
}

}  // namespace vexlo::engine::word
