#include "office/engine/soffice/document_conversion.h"

#include <filesystem>
#include <utility>
#include <vector>

#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>

#include "office/engine/soffice/office.h"
#include "office/engine/soffice/office_link.h"
#include "office/engine/soffice/pool_state.h"
#include "office/engine/soffice/stored_check.h"
#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

const char* FilterName(StoreFormat f) {
  switch (f) {
    case StoreFormat::kPdf: return "writer_pdf_Export";
    case StoreFormat::kDoc: return "MS Word 97";
    case StoreFormat::kDocx: return "MS Word 2007 XML";
    case StoreFormat::kRtf: return "Rich Text Format";
    case StoreFormat::kOdt: return "writer8";
  }
  return "";
}

// Sets `doc` to the document of `task`: the kept one with the task's texts written in when it
// can serve, else loaded (and kept when it can serve the next ones). True when loaded for this
// task.
bool OpenDocument(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                  Reference<css::lang::XComponent>& doc) {
  KeptDocument& kept = office.link->kept;
  const bool fits = task.job.take_source && pool.options.keep_documents && kept.Fits(texts);
  // A .doc the pool could write others from comes from a fresh load, not a kept document.
  const bool base_wanted = texts.ok && HasFormat(task.job, StoreFormat::kDoc) && pool.bases.Wants(texts.frame);
  if (fits && !base_wanted) {
    doc = kept.Serve(office.link->edit_macro, texts);
    if (doc.is()) return false;
  }
  std::string load_path = task.job.source;
  if (fits) {
    // The kept document is loaded from a copy of its own: the source goes once done.
    load_path = office.NewFile("kept-", ".docx");
    std::error_code ec;
    fs::copy_file(task.job.source, load_path, fs::copy_options::overwrite_existing, ec);
    if (ec) load_path = task.job.source;
  }
  doc = LoadHidden(office.link->desktop, load_path, !fits);
  pool.Count(&PoolCounters::loads);
  if (fits) kept.Adopt(doc, texts);
  return true;
}

using MadeFiles = std::vector<std::pair<std::string, const StoreTarget*>>;

// Stores `doc` in every format of `task`, each file checked; "" or the reason of the first that
// failed (the files made so far are in `made`).
std::string StoreTargets(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                         const Reference<css::lang::XComponent>& doc, bool fresh, int pages, MadeFiles& made) {
  Reference<css::frame::XStorable> storable(doc, UNO_QUERY_THROW);
  for (const StoreTarget& target : task.job.targets) {
    const std::string tmp = office.NewFile("", ExtensionOf(target.format));
    storable->storeToURL(
        U(FileUrl(tmp)),
        Props({Prop("FilterName", css::uno::Any(rtl::OUString::createFromAscii(FilterName(target.format))))}));
    const std::string error = CheckStored(tmp, target.format, target.format == StoreFormat::kPdf ? pages : 0);
    if (!error.empty()) {
      std::error_code ec;
      fs::remove(tmp, ec);
      return error;
    }
    if (target.format == StoreFormat::kDoc && fresh && texts.ok) pool.bases.Keep(tmp, texts);
    made.emplace_back(tmp, &target);
  }
  return "";
}

// Opens, stores and delivers; raises the office's exceptions.
ConversionOutcome Convert(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                          Reference<css::lang::XComponent>& doc) {
  ConversionOutcome outcome;
  const bool fresh = OpenDocument(office, pool, task, texts, doc);
  // The page count takes a layout: only a PDF needs it.
  if (HasFormat(task.job, StoreFormat::kPdf)) outcome.pages = PageCount(doc);
  MadeFiles made;
  std::string error = StoreTargets(office, pool, task, texts, doc, fresh, outcome.pages, made);
  // Only when every format is made do the files go to their names.
  const bool all_made = error.empty();
  for (const auto& [tmp, target] : made) {
    if (all_made) {
      std::string put = pool.delivery.PutFile(*target, tmp);
      if (error.empty()) error = std::move(put);
    } else {
      std::error_code ec;
      fs::remove(tmp, ec);
    }
  }
  outcome.ok = error.empty();
  outcome.error = error;
  return outcome;
}

}  // namespace

DocumentResult ConvertDocument(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts) {
  DocumentResult result;
  Reference<css::lang::XComponent> doc;
  try {
    result.outcome = Convert(office, pool, task, texts, doc);
  } catch (const css::lang::DisposedException& e) {
    // The bridge to the office is gone: the office died, even if its process has not yet been
    // reaped. It is replaced before the document is tried again.
    result.outcome = ConversionOutcome::Failed(DescribeUnoError(e));
    result.office_failed = true;
  } catch (const css::uno::Exception& e) {
    result.outcome = ConversionOutcome::Failed(DescribeUnoError(e));
    result.office_failed = !office.process.Alive() || office.process.Killed();
  }
  KeptDocument& kept = office.link->kept;
  if (doc.is() && !kept.Holds(doc)) CloseDocument(doc);
  if (result.office_failed) kept.Forget();
  return result;
}

}  // namespace vexlo::engine
