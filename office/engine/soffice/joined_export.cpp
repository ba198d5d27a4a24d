#include "office/engine/soffice/joined_export.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>

#include "office/engine/package/pdf_split.h"
#include "office/engine/soffice/joined_export_log.h"
#include "office/engine/soffice/joined_notes.h"
#include "office/engine/soffice/joined_page_counts.h"
#include "office/engine/soffice/office.h"
#include "office/engine/soffice/office_link.h"
#include "office/engine/soffice/page_batch.h"
#include "office/engine/soffice/pool_state.h"
#include "office/engine/soffice/stored_check.h"
#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// The joined document `base`.docx exported to `base`.pdf, with the record marks as named
// destinations and the footnotes labelled; raises the office's exceptions. With `via` a stored
// format (.doc), the PDF shows the joined document stored in it and loaded again, as each
// record's PDF shows the record's own file of that format. `counts`: the page count each record
// was given (empty: none shows one): `expected` each when more than 0, without laying the
// document out first, else each record's own, read from the layout.
void ExportJoined(Office& office, PoolState& pool, const std::string& base, const JoinedDocuments& joined,
                  const std::vector<std::string>& marks, StoreFormat via, int expected, std::vector<int>& counts,
                  BatchClock& clock) {
  Reference<css::lang::XComponent> doc;
  try {
    doc = LoadHidden(office.link->desktop, base + ".docx", true);
    pool.Count(&PoolCounters::loads);
    PrepareJoinedNotes(doc, joined, marks);
    if (via != StoreFormat::kDocx) {
      const std::string stored = base + ExtensionOf(via);
      Reference<css::frame::XStorable>(doc, UNO_QUERY_THROW)
          ->storeToURL(U(FileUrl(stored)), Props({Prop("FilterName", css::uno::Any(U(FilterName(via))))}));
      CloseDocument(doc);
      doc.clear();
      doc = LoadHidden(office.link->desktop, stored, true);
      pool.Count(&PoolCounters::loads);
    }
    clock.Mark("办公软件载入");
    // Counted on the layout of the document exported, the one loaded from the stored format.
    if (joined.pages_shown > 0) {
      counts.assign(marks.size(), joined.pages_shown);  // written into the document already
    } else if (joined.page_counts) {
      if (expected > 0) {
        counts = GiveRecordsPageCount(doc, office.link->numbers, expected, marks.size());
        clock.Mark("给出预计页数");
      } else {
        counts = GiveRecordsTheirPageCounts(doc, office.link->numbers, marks);
        clock.Mark("排版并给出各份页数");
      }
    }
    // The record marks become named destinations, where the PDF is cut.
    ExportPdfWithDestinations(doc, base + ".pdf");
  } catch (...) {
    CloseDocument(doc);
    throw;
  }
  clock.Mark("办公软件排版导出");
  CloseDocument(doc);
  clock.Mark("关闭文档");
}

// Exports the joined document and cuts it into `parts`: the page count of each, or what failed;
// `counts`: the page count each record was given to show (empty: none shows one); `office_failed`
// tells whether the office died or was killed on the way.
Result<std::vector<int>> ExportAndSplit(Office& office, PoolState& pool, const std::string& base,
                                        const JoinedDocuments& joined, const std::vector<std::string>& marks,
                                        const std::vector<std::string>& parts, StoreFormat via, int expected,
                                        std::vector<int>& counts, BatchClock& clock, bool& office_failed) {
  office_failed = false;
  try {
    ExportJoined(office, pool, base, joined, marks, via, expected, counts, clock);
    Result<std::vector<int>> split = SplitPdfAtDestinations(base + ".pdf", marks, parts);
    clock.Mark("拆分与字体精简");
    return split;
  } catch (const css::lang::DisposedException& e) {
    DropOffice(office);  // the bridge is gone: the office died
    office_failed = true;
    return Status::Output(DescribeUnoError(e));
  } catch (const css::uno::Exception& e) {
    office_failed = !office.process.Alive() || office.process.Killed();
    if (office_failed) DropOffice(office);
    return Status::Output(DescribeUnoError(e));
  }
}

// The page count the records of `batch` are all expected to show: each its own learned one,
// else the usual one of the latest export; 0 when they differ or none is known, and the counts
// are to be read from the joined layout.
int ExpectedPages(const PoolState& pool, const std::vector<std::shared_ptr<Task>>& batch) {
  int expected = 0;
  for (const auto& task : batch) {
    const int own = task->learned_pages > 0 ? task->learned_pages : pool.usual_pages.load();
    if (own <= 0 || (expected > 0 && own != expected)) return 0;
    expected = own;
  }
  return expected;
}

// The page count most of `pages` (those above 0) are.
int UsualCount(const std::vector<int>& pages) {
  std::map<int, int> seen;
  for (const int p : pages) {
    if (p > 0) ++seen[p];
  }
  int usual = 0, times = 0;
  for (const auto& [count, n] : seen) {
    if (n > times) std::tie(usual, times) = std::pair(count, n);
  }
  return usual;
}

// Delivers the checked part to the PDF targets of `task`. True when that finished the task;
// false (the task untouched) when the part did not come out whole, or (the PDF targets taken
// off) when the task has files still to make: the .doc its PDF shows, made alone.
bool DeliverPart(PoolState& pool, const std::shared_ptr<Task>& task, const std::string& part, int pages) {
  if (!CheckStored(part, StoreFormat::kPdf, pages).ok()) return false;
  std::vector<StoreTarget> pdfs, rest;
  for (const StoreTarget& t : task->job.targets) (t.format == StoreFormat::kPdf ? pdfs : rest).push_back(t);
  // One PDF asked (the usual case): the part itself goes there, without a copy.
  const Status put =
      pdfs.size() == 1 ? pool.delivery.PutFile(pdfs[0], part) : pool.delivery.CopyFile(pdfs, part);
  pool.Count(&PoolCounters::joined);
  if (put.ok() && !rest.empty()) {
    task->job.targets = std::move(rest);
    return false;
  }
  if (put.ok()) {
    FinishTask(*task, pages);
  } else {
    FinishTask(*task, put.Led("无法转换“" + task->job.label + "”："));
  }
  return true;
}

// The tasks not `done` go back to the queue, or end when the run was cancelled meanwhile: to be
// joined again when they are to show the page count they came out in (`again`), or when the
// office failed under the export for the first time (the fresh office most likely makes it),
// else to be made alone. `completed`: the export went through, its time counts.
void ReturnRest(Office& office, PoolState& pool, const std::vector<std::shared_ptr<Task>>& batch,
                const std::vector<bool>& done, const std::vector<bool>& again, bool completed,
                bool office_failed) {
  std::vector<std::shared_ptr<Task>> stopped;
  {
    std::lock_guard lock(pool.mutex);
    pool.EndJob(office, completed);
    for (std::size_t i = batch.size(); i-- > 0;) {
      if (done[i]) continue;
      if (pool.Dropped(*batch[i])) {
        stopped.push_back(batch[i]);
        continue;
      }
      if (again[i]) {
        // joined once more, showing its own count
      } else if (office_failed && !batch[i]->export_retried) {
        batch[i]->export_retried = true;
      } else {
        batch[i]->alone = true;
      }
      pool.queue.PushFront(batch[i]);
    }
  }
  pool.wake.notify_all();
  for (auto& t : stopped) FinishTask(*t, Status::Stopped("已取消"));
}

}  // namespace

void ConvertBatch(Office& office, PoolState& pool, std::vector<std::shared_ptr<Task>> batch) {
  BatchClock clock;
  std::vector<std::string> sources;
  for (const auto& t : batch) sources.push_back(t->job.source);
  const std::string base = office.NewFile("joined-", "");
  const StoreFormat via = PdfRoute(batch.front()->job);
  const int expected = ExpectedPages(pool, batch);
  const JoinedDocuments joined = JoinForPages(sources, base + ".docx", via == StoreFormat::kDoc, expected);
  clock.Mark("合并文档");
  std::vector<std::string> marks, parts;
  for (std::size_t k = 0; k < joined.members.size(); ++k) {
    marks.push_back(RecordMark(k));
    parts.push_back(base + "-" + std::to_string(k) + ".pdf");
  }
  bool office_failed = false;
  std::vector<int> counts;
  const Result<std::vector<int>> split = [&]() -> Result<std::vector<int>> {
    if (joined.members.empty()) return joined.refused;
    // One export of many records: twice the time of one document before it counts as hung
    // however busy the office is, much less when it makes no progress.
    pool.BeginJob(office, JobKind::kJoinedExport, static_cast<int>(joined.members.size()),
                  2 * pool.options.job_timeout);
    return ExportAndSplit(office, pool, base, joined, marks, parts, via, expected, counts, clock, office_failed);
  }();
  pool.joined_log.Say(batch.front()->job.label, batch.size(), split.status());
  std::error_code ec;
  fs::remove(base + ".docx", ec);
  fs::remove(base + ".pdf", ec);
  if (via != StoreFormat::kDocx) fs::remove(base + ExtensionOf(via), ec);
  if (split.ok() && !counts.empty()) {
    if (const int usual = UsualCount(*split); usual > 0) pool.usual_pages = usual;
  }

  std::vector<bool> done(batch.size(), false), again(batch.size(), false);
  for (std::size_t k = 0; split.ok() && k < joined.members.size(); ++k) {
    const std::size_t member = joined.members[k];
    const int pages = (*split)[k];
    if (k < counts.size() && pages != counts[k]) {
      // It shows a page count that is not its own: joined again showing the one it came out in,
      // when that was a guess, else made alone.
      if (JoinedLogEnabled()) {
        std::fprintf(stderr, "vexlo: 合并导出的第 %zu 份 %d 页，所示页数为 %d\n", k + 1, pages, counts[k]);
      }
      if (expected > 0 && batch[member]->learned_pages == 0 && pages > 0) {
        batch[member]->learned_pages = pages;
        again[member] = true;
      }
      continue;
    }
    // A part that did not come out whole is made alone.
    done[member] = pages > 0 && DeliverPart(pool, batch[member], parts[k], pages);
  }
  for (const std::string& part : parts) fs::remove(part, ec);
  clock.Mark("检查与交付");
  if (split.ok()) clock.Log(joined.members.size());
  ReturnRest(office, pool, batch, done, again, split.ok(), office_failed);
}

}  // namespace vexlo::engine
