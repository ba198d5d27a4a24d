#include "office/engine/soffice/document_conversion.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include <com/sun/star/document/XDocumentInsertable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XCalculatable.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>

#include "office/engine/soffice/direct_fill.h"
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

// Removes its files when it goes: what a conversion made on the way, whatever became of it.
struct ScratchFiles {
  std::vector<std::string> paths;
  ~ScratchFiles() {
    std::error_code ec;
    for (const std::string& path : paths) fs::remove(path, ec);
  }
};

// Appends a copy of the document at `path` to the end of `doc`: the office splits the paragraph
// it is inserted at, so the copy starts a paragraph of its own.
void AppendCopy(const Reference<css::lang::XComponent>& doc, const std::string& path) {
  const Reference<css::text::XText> text = Reference<css::text::XTextDocument>(doc, UNO_QUERY_THROW)->getText();
  const Reference<css::text::XTextCursor> cursor = text->createTextCursorByRange(text->getEnd());
  Reference<css::document::XDocumentInsertable>(cursor, UNO_QUERY_THROW)
      ->insertDocumentFromURL(U(FileUrl(path)), Props({}));
}

// Loads the original .doc of `plan` into `doc` (as many copies as it holds) and writes the
// record's `texts` into it; failed with why the record cannot be made that way (then nothing is
// stored). Raises the office's exceptions.
Status FillOriginal(Office& office, PoolState& pool, const DirectPlan& plan, const DocxTexts& texts,
                         Reference<css::lang::XComponent>& doc) {
  // Each office edits a copy of its own: a document loaded for editing is locked against the
  // other offices.
  ScratchFiles copy{{office.NewFile("direct-", ".doc")}};
  std::error_code ec;
  fs::copy_file(plan.doc, copy.paths[0], fs::copy_options::overwrite_existing, ec);
  if (ec) return Status::Failed("无法复制原 .doc 模板：" + ec.message());
  doc = LoadHidden(office.link->desktop, copy.paths[0], false);
  pool.Count(&PoolCounters::loads);
  for (std::size_t k = 1; k < plan.copies; ++k) AppendCopy(doc, plan.doc);
  const std::vector<Reference<css::text::XTextRange>> paragraphs = BodyParagraphs(doc);
  // The edits are positions in the converted template's paragraphs: the original must read alike.
  if (ParagraphTexts(paragraphs) != plan.from) {
    return Status::Failed("LibreOffice 读出的原 .doc 模板的段落与它转换出的 .docx 不同，不能直接按原模板填写");
  }
  Reference<css::frame::XModel> model(doc, css::uno::UNO_QUERY);
  if (model.is()) model->lockControllers();
  bool set_ok = false;
  try {
    set_ok = SetTexts(office.link->edit_macro, paragraphs, plan.edits, texts.paragraphs);
  } catch (...) {
    if (model.is()) model->unlockControllers();
    throw;
  }
  if (model.is()) model->unlockControllers();
  if (set_ok) return Status::Ok();
  return Status::Failed("写入原 .doc 模板后读回的文字与记录不符，不能直接按原模板填写");
}

// Sets `doc` to the document of `task`: the kept one with the task's texts written in when it
// can serve, else loaded (and kept when it can serve the next ones). True when loaded for this
// task.
bool OpenDocument(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                  Reference<css::lang::XComponent>& doc) {
  if (doc.is()) return false;  // the original .doc of a template filled directly, filled already
  KeptDocument& kept = office.link->kept;
  const bool fits = task.job.take_source && pool.options.keep_documents && kept.Fits(texts);
  // A .doc the pool could write others from comes from a fresh load, not a kept document.
  const bool base_wanted = texts.ok && MakesFormat(task.job, StoreFormat::kDoc) && pool.bases.Wants(texts.frame);
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

// Stores `doc` as `path` in `format` and checks the file (a PDF against `pages`); a file that is
// not whole is gone.
Status StoreChecked(const Reference<css::lang::XComponent>& doc, const std::string& path, StoreFormat format,
                    int pages) {
  std::vector<css::beans::PropertyValue> props = {
      Prop("FilterName", css::uno::Any(rtl::OUString::createFromAscii(FilterName(format))))};
  if (format == StoreFormat::kText) props.push_back(Prop("FilterOptions", css::uno::Any(U("UTF8,LF"))));
  Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)->storeToURL(U(FileUrl(path)), Props(props));
  Status whole = CheckStored(path, format, format == StoreFormat::kPdf ? pages : 0);
  if (!whole.ok()) {
    std::error_code ec;
    fs::remove(path, ec);
  }
  return whole;
}

// Stores `doc` in every format of `task`, each file checked; fails with the first that failed
// (the files made so far are in `made`).
Status StoreTargets(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                    const Reference<css::lang::XComponent>& doc, bool fresh, int pages, MadeFiles& made) {
  for (const StoreTarget& target : task.job.targets) {
    const std::string tmp = office.NewFile("", ExtensionOf(target.format));
    if (Status stored = StoreChecked(doc, tmp, target.format, pages); !stored.ok()) return stored;
    if (target.format == StoreFormat::kDoc && fresh && texts.ok) pool.bases.Keep(tmp, texts);
    made.emplace_back(tmp, &target);
  }
  return Status::Ok();
}

// Writes the .doc of the package with `texts` from a base of its template to `path`; false when
// no base can serve.
bool WriteDocFromBase(PoolState& pool, const DocxTexts& texts, const std::string& path) {
  const std::optional<std::string> bytes = texts.ok ? pool.bases.Write(texts) : std::nullopt;
  if (!bytes) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  out.close();
  if (!out) return false;
  pool.Count(&PoolCounters::from_base);
  return true;
}

// Makes `stored`, the file of format `via` that the PDFs of `task` show: a .doc written from a
// base of its template, else the task's document (opened into `doc`) stored by the office.
Status MakeStored(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts, StoreFormat via,
                  const std::string& stored, Reference<css::lang::XComponent>& doc) {
  if (via == StoreFormat::kDoc && !doc.is() && WriteDocFromBase(pool, texts, stored)) return Status::Ok();
  const bool fresh = OpenDocument(office, pool, task, texts, doc);
  Status made = StoreChecked(doc, stored, via, 0);
  if (made.ok() && via == StoreFormat::kDoc && fresh && texts.ok) pool.bases.Keep(stored, texts);
  return made;
}

// Loads `stored` afresh, as anyone opening it would, and exports its PDF to `pdf`, checked
// against the page count of that load, and its text to `text`, each when asked (a path); returns
// the page count.
Result<int> ExportStored(Office& office, PoolState& pool, const std::string& stored, const std::string& pdf,
                         const std::string& text) {
  const Reference<css::lang::XComponent> doc = LoadHidden(office.link->desktop, stored, true);
  pool.Count(&PoolCounters::loads);
  int pages = 0;
  Status exported = Status::Ok();
  try {
    pages = PageCount(doc);
    if (!pdf.empty()) exported = StoreChecked(doc, pdf, StoreFormat::kPdf, pages);
    if (exported.ok() && !text.empty()) exported = StoreChecked(doc, text, StoreFormat::kText, 0);
  } catch (...) {
    CloseDocument(doc);
    throw;
  }
  CloseDocument(doc);
  if (!exported.ok()) return exported;
  return pages;
}

// For a task whose PDFs show the document stored as `via`: the stored file is made first, its
// PDF exported from a fresh load of it, and, once both are whole, the stored file goes to the
// targets of its format and the PDF to the PDF targets. Raises the office's exceptions.
ConversionOutcome ConvertThroughStored(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                                       StoreFormat via, Reference<css::lang::XComponent>& doc) {
  if (!OnlyThrough(task.job, via)) return Status::Failed("要输出的格式不能一起转换");
  ScratchFiles scratch;
  const std::string stored = office.NewFile("stored-", ExtensionOf(via));
  const std::string pdf = HasFormat(task.job, StoreFormat::kPdf) ? office.NewFile("", ".pdf") : "";
  const std::string text = HasFormat(task.job, StoreFormat::kText) ? office.NewFile("", ".txt") : "";
  scratch.paths = {stored, pdf, text};
  if (Status made = MakeStored(office, pool, task, texts, via, stored, doc); !made.ok()) return made;
  const Result<int> pages = ExportStored(office, pool, stored, pdf, text);
  if (!pages.ok()) return pages;
  std::vector<StoreTarget> stored_targets, pdf_targets, text_targets;
  for (const StoreTarget& t : task.job.targets) {
    (t.format == StoreFormat::kPdf ? pdf_targets : t.format == StoreFormat::kText ? text_targets : stored_targets)
        .push_back(t);
  }
  Status stored_put = pool.delivery.CopyFile(stored_targets, stored);
  Status pdf_put = pool.delivery.CopyFile(pdf_targets, pdf);
  Status text_put = pool.delivery.CopyFile(text_targets, text);
  for (Status* put : {&stored_put, &pdf_put, &text_put}) {
    if (!put->ok()) return std::move(*put);
  }
  return pages;
}

// Opens, stores and delivers; raises the office's exceptions.
ConversionOutcome Convert(Office& office, PoolState& pool, const Task& task, const DocxTexts& texts,
                          Reference<css::lang::XComponent>& doc) {
  // A record of a template filled directly is made in the original .doc, or not at all. Only the
  // pool's own staged copies are records; a file asked for by name is loaded as it is.
  if (task.job.take_source && !pool.direct.empty()) {
    std::string why;
    Status filled = Status::Ok();
    if (const std::optional<DirectPlan> plan = PlanDirect(pool.direct, texts, why)) {
      filled = FillOriginal(office, pool, *plan, texts, doc);
    } else if (!why.empty()) {
      filled = Status::Failed(std::move(why));
    }
    if (!filled.ok()) return filled;
  }
  if (const StoreFormat via = PdfRoute(task.job); via != StoreFormat::kDocx) {
    return ConvertThroughStored(office, pool, task, texts, via, doc);
  }
  const bool fresh = OpenDocument(office, pool, task, texts, doc);
  // A workbook written without its formulas' results gets them here, as a spreadsheet shows them.
  if (task.job.recalculate) Reference<css::sheet::XCalculatable>(doc, UNO_QUERY_THROW)->calculateAll();
  // The page count takes a layout: only a PDF needs it.
  const int pages = HasFormat(task.job, StoreFormat::kPdf) ? PageCount(doc) : 0;
  MadeFiles made;
  Status status = StoreTargets(office, pool, task, texts, doc, fresh, pages, made);
  // Only when every format is made do the files go to their names.
  const bool all_made = status.ok();
  for (const auto& [tmp, target] : made) {
    if (all_made) {
      Status put = pool.delivery.PutFile(*target, tmp);
      if (status.ok()) status = std::move(put);
    } else {
      std::error_code ec;
      fs::remove(tmp, ec);
    }
  }
  if (!status.ok()) return status;
  return pages;
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
    result.outcome = Status::Output(DescribeUnoError(e));
    result.office_failed = true;
  } catch (const css::uno::Exception& e) {
    result.outcome = Status::Output(DescribeUnoError(e));
    result.office_failed = !office.process.Alive() || office.process.Killed();
  }
  KeptDocument& kept = office.link->kept;
  if (doc.is() && !kept.Holds(doc)) CloseDocument(doc);
  if (result.office_failed) kept.Forget();
  return result;
}

}  // namespace vexlo::engine
