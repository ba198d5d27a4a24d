// The warm offices against LibreOffice's own sequential batches, on the same files in one run:
// every .docx of a folder (for instance 999 records made by vexlo-merge) converted to PDF and to
// .doc (a) by the office pool, as the merge hands them over, and (b) by `soffice --convert-to`
// in batches of 200, one call after another. Prints both times, their ratio, the loads and the
// peak memory of this process plus its offices.
// Usage: output_bench FOLDER [--pool-only]   (--pool-only: no LibreOffice batches, for quick tries)
#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/soffice/office_process.h"
#include "office/engine/soffice/soffice.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vexlo::engine::OfficePool;
using vexlo::engine::StoreFormat;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// How many of the pool's .doc files hold exactly the text stream (WordDocument) and the table
// stream of LibreOffice's own .doc of the same record. The table streams may differ in the word
// and page counts, which only the office's word breaking and layout know.
std::pair<int, int> SameAsLibreOffice(const fs::path& pool_dir, const fs::path& lo_dir) {
  int text = 0, table = 0;
  for (const auto& e : fs::directory_iterator(pool_dir)) {
    const std::string a = ReadBytes(e.path()), b = ReadBytes(lo_dir / e.path().filename());
    try {
      const vexlo::engine::CompoundFile fa(a, "pool"), fb(b, "lo");
      text += fa.ReadStream("WordDocument") == fb.ReadStream("WordDocument");
      table += fa.ReadStream("1Table") == fb.ReadStream("1Table");
    } catch (const vexlo::app::RuntimeError&) {
    }
  }
  return {text, table};
}

int Count(const fs::path& dir, const std::string& ext) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ext;
  return n;
}

long RssKb(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Samples this process plus the offices every 100 ms: the peak of the sum, and the samples
// themselves (to see whether the offices grow over a run).
struct MemoryPeak {
  explicit MemoryPeak(OfficePool& pool)
      : thread([this, &pool] {
          while (!stop) {
            long kb = RssKb(::getpid());
            for (int pid : pool.OfficePids()) kb += RssKb(pid);
            peak = std::max(peak.load(), kb);
            {
              std::lock_guard lock(mutex);
              samples.push_back(kb);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
          }
        }) {}
  ~MemoryPeak() { Stop(); }
  void Stop() {
    if (stop.exchange(true)) return;
    thread.join();
  }
  // The samples at 10 %, 25 %, 50 %, 75 % and 100 % of the time sampled, in MB.
  std::string Course() {
    std::lock_guard lock(mutex);
    std::string out;
    for (double at : {0.1, 0.25, 0.5, 0.75, 1.0}) {
      if (samples.empty()) break;
      const std::size_t i = std::min(samples.size() - 1, static_cast<std::size_t>(at * static_cast<double>(samples.size())));
      out += (out.empty() ? "" : " → ") + std::to_string(samples[i] / 1024);
    }
    return out + " MB";
  }
  std::atomic<bool> stop{false};
  std::atomic<long> peak{0};
  std::mutex mutex;
  std::vector<long> samples;
  std::thread thread;
};

// CPU seconds used so far by this process and by the offices running now.
double CpuSeconds(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), {});
  const std::size_t paren = stat.rfind(')');
  if (paren == std::string::npos) return 0;
  std::istringstream fields(stat.substr(paren + 2));
  std::string f;
  long ticks = 0;
  for (int i = 3; fields >> f && i <= 15; ++i) {
    if (i == 14 || i == 15) ticks += std::stol(f);  // utime, stime
  }
  return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct CpuUse {
  double self = 0, offices = 0;
};

CpuUse CpuNow(OfficePool& pool) {
  CpuUse use;
  use.self = CpuSeconds(::getpid());
  for (int pid : pool.OfficePids()) use.offices += CpuSeconds(pid);
  return use;
}

double PoolRun(OfficePool& pool, const std::vector<fs::path>& sources, const fs::path& out,
               StoreFormat format, const char* ext) {
  fs::create_directories(out);
  // The word processor hands over a snapshot of each document, as here.
  const fs::path snapshots = out.string() + "-snapshots";
  fs::create_directories(snapshots);
  const CpuUse cpu0 = CpuNow(pool);
  const auto t0 = Clock::now();
  std::vector<std::shared_future<vexlo::engine::ConversionOutcome>> done;
  for (const fs::path& s : sources) {
    const fs::path snapshot = snapshots / s.filename();
    fs::copy_file(s, snapshot);
    done.push_back(pool.Submit({snapshot.string(), true,
                                {{(out / (s.stem().string() + ext)).string(), format}},
                                s.filename().string()}));
  }
  int failed = 0;
  for (auto& f : done) failed += !f.get().ok();
  if (failed) std::printf("  %d conversions failed\n", failed);
  const double wall = Seconds(t0);
  const CpuUse cpu1 = CpuNow(pool);
  const double n = static_cast<double>(sources.size());
  std::printf("  %s: %.1f ms a document; CPU a document: offices %.1f ms, this process %.1f ms\n",
              ext, 1000 * wall / n, 1000 * (cpu1.offices - cpu0.offices) / n,
              1000 * (cpu1.self - cpu0.self) / n);
  return wall;
}

double LibreOfficeRun(const std::vector<fs::path>& sources, const fs::path& out,
                      const std::string& convert_to, const std::string& profile) {
  fs::create_directories(out);
  const auto t0 = Clock::now();
  for (std::size_t start = 0; start < sources.size(); start += 200) {
    std::vector<std::string> batch;
    for (std::size_t i = start; i < std::min(sources.size(), start + 200); ++i) {
      batch.push_back(sources[i].string());
    }
    vexlo::engine::RunSofficeConvert(batch, convert_to, out.string(), profile,
                                     std::chrono::minutes(30));
  }
  return Seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: output_bench FOLDER-OF-DOCX\n");
    return 2;
  }
  std::vector<fs::path> sources;
  for (const auto& e : fs::directory_iterator(argv[1])) {
    if (e.path().extension() == ".docx") sources.push_back(e.path());
  }
  std::sort(sources.begin(), sources.end());
  const fs::path root = fs::temp_directory_path() / "vexlo-output-bench";
  fs::remove_all(root);
  const std::size_t n = sources.size();

  // OFFICES=n tries another number of offices (default: the pool's own choice).
  vexlo::engine::OfficePoolOptions options;
  if (const char* n = std::getenv("OFFICES")) options.offices = std::atoi(n);
  OfficePool pool(options);
  // Warm: the offices run before the merge needs them (the window starts them when it opens).
  const auto ts = Clock::now();
  pool.Start();
  pool.Submit({sources[0].string(), false, {{(root / "warm.pdf").string(), StoreFormat::kPdf}}, "warm"}).get();
  std::printf("offices started and warm in %.1f s\n", Seconds(ts));
  double pdf_s, doc_s;
  long peak_kb;
  {
    MemoryPeak memory(pool);
    pdf_s = PoolRun(pool, sources, root / "pool-pdf", StoreFormat::kPdf, ".pdf");
    doc_s = PoolRun(pool, sources, root / "pool-doc", StoreFormat::kDoc, ".doc");
    if (std::getenv("AGAIN")) {
      // AGAIN=1: the PDFs once more, to see whether the offices still grow.
      std::printf("  (memory after the first two runs: %s)\n", memory.Course().c_str());
      PoolRun(pool, sources, root / "pool-pdf-again", StoreFormat::kPdf, ".pdf");
    }
    memory.Stop();
    peak_kb = memory.peak;
    std::printf("memory of this process plus its offices over both runs: %s\n", memory.Course().c_str());
  }
  const int loads = pool.loads();
  std::printf("offices replaced for having grown too much: %d\n", pool.replaced());
  std::printf(".doc files written from the office's .doc of another record: %d\n", pool.from_base());
  std::printf("PDFs cut from joined exports: %d\n", pool.joined());
  pool.Shutdown();
  if (argc > 2 && std::string(argv[2]) == "--pool-only") {
    std::printf("PDF %.1f s, .doc %.1f s, loads %d, peak %.0f MB\n", pdf_s, doc_s, loads, peak_kb / 1024.0);
    fs::remove_all(root);
    return 0;
  }

  // LibreOffice's own batches run on a settled profile, as the pool's offices do: one that
  // records its version has run, so that no start runs the office's first-start checks again.
  const std::string profile = (root / "lo-profile").string();
  vexlo::engine::SeedProfile(profile, vexlo::engine::OfficeBinary());
  vexlo::engine::RunSofficeConvert({sources[0].string()}, "pdf", (root / "warm").string(), profile);
  const double lo_pdf_s = LibreOfficeRun(sources, root / "lo-pdf", "pdf", profile);
  const double lo_doc_s = LibreOfficeRun(sources, root / "lo-doc", "doc:MS Word 97", profile);

  std::printf("%zu documents, %u cores\n", n, std::thread::hardware_concurrency());
  std::printf("PDF  office pool %6.1f s (%d present) | LibreOffice batches %6.1f s (%d present) | ratio %.2f (targets: letter <= 0.25, notice 0.15, heading pay slip 0.12)\n",
              pdf_s, Count(root / "pool-pdf", ".pdf"), lo_pdf_s, Count(root / "lo-pdf", ".pdf"),
              pdf_s / lo_pdf_s);
  std::printf(".doc office pool %6.1f s (%d present) | LibreOffice batches %6.1f s (%d present) | ratio %.2f (target <= 0.15)\n",
              doc_s, Count(root / "pool-doc", ".doc"), lo_doc_s, Count(root / "lo-doc", ".doc"),
              doc_s / lo_doc_s);
  std::printf("loads by the offices: %d; peak memory of this process plus its offices: %.0f MB\n",
              loads, peak_kb / 1024.0);
  const auto [same_text, same_table] = SameAsLibreOffice(root / "pool-doc", root / "lo-doc");
  std::printf(".doc files alike LibreOffice's own: text stream %d, table stream %d (of %zu)\n", same_text,
              same_table, n);
  fs::remove_all(root);
  return 0;
}
