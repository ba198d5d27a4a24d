#include "office/engine/output/office_output_queue.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/runtime_error.h"
#include "office/engine/output/cups_printer.h"
#include "office/engine/package/status_error.h"
#include "office/engine/package/temp_folder.h"

namespace vexlo::engine {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

bool IsPdf(const std::string& path) { return FormatOfPath(path) == StoreFormat::kPdf; }

std::shared_future<ConversionOutcome> Ready() {
  std::promise<ConversionOutcome> p;
  p.set_value(0);
  return p.get_future().share();
}

}  // namespace

OfficeOutputQueue::OfficeOutputQueue(OfficePool& pool) : pool_(pool) {}

OfficeOutputQueue::~OfficeOutputQueue() {
  for (Request& r : requests_) {
    if (r.done.valid()) r.done.wait();
  }
  RemoveWorkDir();
}

void OfficeOutputQueue::RemoveWorkDir() {
  if (work_dir_.empty()) return;
  std::error_code ec;
  fs::remove_all(work_dir_, ec);
  work_dir_.clear();
}

void OfficeOutputQueue::ExportPdf(const std::string& source, const std::string& pdf_path, bool take_source,
                                  StoreFormat via, const std::string& password) {
  StartCounting();
  ConversionJob job;
  job.source = source;
  job.take_source = take_source;
  job.label = fs::path(pdf_path).filename().string();
  job.targets.push_back({.path = pdf_path, .format = StoreFormat::kPdf, .via = via, .password = password});
  Request request;
  request.done = pool_.Submit(std::move(job));
  requests_.push_back(std::move(request));
  PrintReady();
}

void OfficeOutputQueue::Print(const std::string& source, int copies, bool take_source, StoreFormat via) {
  try {
    RequirePrinter();
  } catch (...) {
    if (take_source) {
      std::error_code ec;
      fs::remove(source, ec);
    }
    throw;
  }
  StartCounting();
  Request request;
  request.print = true;
  request.copies = copies;
  request.title = fs::path(source).filename().string();
  if (IsPdf(source)) {
    request.pdf = source;
    request.own_pdf = take_source;
    request.done = Ready();
  } else {
    const fs::path folder = fs::path(WorkDir()) / std::to_string(++counter_);
    std::error_code ec;
    fs::create_directories(folder, ec);
    request.pdf = (folder / (fs::path(source).stem().string() + ".pdf")).string();
    request.own_pdf = true;
    ConversionJob job;
    job.source = source;
    job.take_source = take_source;
    job.label = request.title;
    job.targets.push_back({.path = request.pdf, .format = StoreFormat::kPdf, .via = via});
    request.done = pool_.Submit(std::move(job));
  }
  requests_.push_back(std::move(request));
  PrintReady();
}

// Prints, in order, every print request whose PDF is ready.
void OfficeOutputQueue::PrintReady() {
  for (; next_print_ < requests_.size(); ++next_print_) {
    Request& r = requests_[next_print_];
    if (!r.print) continue;
    if (r.done.wait_for(0s) != std::future_status::ready) break;
    const ConversionOutcome& outcome = r.done.get();
    if (outcome.ok()) {
      try {
        PrintPdf(r.pdf, r.copies, r.title);
        ++prints_sent_;
      } catch (const app::RuntimeError& e) {
        if (first_failure_.ok()) first_failure_ = Status::Output(e.text());
      }
    }
    if (r.own_pdf) {
      std::error_code ec;
      fs::remove(r.pdf, ec);
    }
  }
}

void OfficeOutputQueue::StartCounting() {
  if (!count_afresh_) return;
  count_afresh_ = false;
  prints_sent_ = 0;
}

std::optional<office::WaitProgress> OfficeOutputQueue::Progress() const {
  if (requests_.empty()) return std::nullopt;
  int pdfs = 0, pdfs_done = 0, prints = 0;
  for (const Request& r : requests_) {
    if (r.print) {
      ++prints;
    } else {
      ++pdfs;
      pdfs_done += r.done.wait_for(0s) == std::future_status::ready;
    }
  }
  if (pdfs_done < pdfs || prints == 0) return office::WaitProgress{office::WaitStage::kPdfs, pdfs_done, pdfs};
  return office::WaitProgress{office::WaitStage::kPrints, std::min(prints_sent_, prints), prints};
}

bool OfficeOutputQueue::Watched(const office::WaitWatch& watch) const {
  if (!watch) return false;
  const std::optional<office::WaitProgress> progress = Progress();
  if (!progress) return watch(office::WaitStage::kPdfs, 0, 0);
  return watch(progress->stage, progress->done, progress->total);
}

void OfficeOutputQueue::Flush(const office::WaitWatch& watch) {
  for (;;) {
    PrintReady();
    if (next_print_ == requests_.size() &&
        std::all_of(requests_.begin(), requests_.end(), [](const Request& r) {
          return r.done.wait_for(0s) == std::future_status::ready;
        })) {
      break;
    }
    for (Request& r : requests_) {
      if (r.done.wait_for(30ms) != std::future_status::ready) break;
    }
    if (Watched(watch)) {
      Cancel();
      return;
    }
  }
  // A stop asked for meanwhile (which may have cancelled these conversions with the others) is
  // no failure of theirs.
  if (Watched(watch)) {
    Cancel();
    return;
  }
  Status failure = first_failure_;
  for (Request& r : requests_) {
    const ConversionOutcome& outcome = r.done.get();
    if (!outcome.ok() && failure.ok()) {
      failure = Status::Output((r.print ? "无法打印：" : "无法输出PDF文件：") + outcome.message());
    }
  }
  Reset();
  RaiseUnlessOk(failure);
}

void OfficeOutputQueue::Cancel() {
  pool_.Cancel();
  for (Request& r : requests_) {
    r.done.wait();
    if (r.print && r.own_pdf) {
      std::error_code ec;
      fs::remove(r.pdf, ec);
    }
  }
  Reset();
}

void OfficeOutputQueue::Reset() {
  requests_.clear();
  next_print_ = 0;
  first_failure_ = Status::Ok();
  count_afresh_ = true;  // the count of jobs sent is kept for whoever asks after a cancel
  RemoveWorkDir();  // nothing queued needs it any more
}

const std::string& OfficeOutputQueue::WorkDir() {
  if (work_dir_.empty()) {
    Result<std::string> made = MakePrivateTempFolder("output");
    if (!made.ok()) throw app::RuntimeError::Output("无法创建临时文件夹：" + fs::temp_directory_path().string());
    work_dir_ = std::move(made).value();
  }
  return work_dir_;
}

}  // namespace vexlo::engine
