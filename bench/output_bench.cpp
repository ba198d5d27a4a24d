// PDF throughput: N copies of one .docx converted (a) by the output queue (batches spread over
// one converter per core, started while files are still being handed in) and (b) by LibreOffice
// alone, one call after another in batches of 200. Prints both times and their ratio.
// Usage: output_bench [DOCX] [N]
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/host.h"
#include "office/engine/output/batch_output_queue.h"
#include "office/engine/soffice/soffice.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class QuietHost : public vexlo::app::Host {
 public:
  void MessageBox(std::string_view, std::string_view) override {}
  bool AskYesNo(std::string_view, std::string_view) override { return false; }
  void EndProgram() override {}
};

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

int CountPdfs(const fs::path& dir) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.path().extension() == ".pdf";
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  const std::string docx = argc > 1 ? argv[1] : VEXLO_SOURCE_DIR "/tests/data/output/通知.docx";
  const int n = argc > 2 ? std::stoi(argv[2]) : 999;
  QuietHost host;
  vexlo::app::SetHost(&host);

  const fs::path root = fs::temp_directory_path() / "vexlo-output-bench";
  fs::remove_all(root);
  fs::create_directories(root / "src");
  fs::create_directories(root / "queue");
  fs::create_directories(root / "lo");
  std::vector<std::string> sources;
  for (int i = 0; i < n; ++i) {
    const fs::path p = root / "src" / ("记录" + std::to_string(i) + ".docx");
    fs::copy_file(docx, p);
    sources.push_back(p.string());
  }

  // Warm the profiles once so that neither side pays a first-start.
  {
    vexlo::engine::BatchOutputQueue warm;
    warm.ExportPdf(sources[0], (root / "warm0.pdf").string(), false);
    warm.ExportPdf(sources[0], (root / "warm1.pdf").string(), false);
    warm.Flush();
  }
  auto t0 = Clock::now();
  double queue_s = 0;
  int calls = 0;
  {
    vexlo::engine::BatchOutputQueue queue;
    t0 = Clock::now();
    for (int i = 0; i < n; ++i) {
      queue.ExportPdf(sources[i], (root / "queue" / ("记录" + std::to_string(i) + ".pdf")).string(),
                      false);
    }
    queue.Flush();
    queue_s = Seconds(t0);
    calls = queue.converter_calls();
  }
  std::printf("output queue : %d PDFs in %.1f s (%d converter calls), %d present\n", n, queue_s,
              calls, CountPdfs(root / "queue"));

  const std::string profile = (root / "lo-profile").string();
  vexlo::engine::RunSofficeConvert({sources[0]}, "pdf", (root / "warm").string(), profile);
  t0 = Clock::now();
  for (int start = 0; start < n; start += 200) {
    std::vector<std::string> batch(sources.begin() + start,
                                   sources.begin() + std::min(n, start + 200));
    vexlo::engine::RunSofficeConvert(batch, "pdf", (root / "lo").string(), profile,
                                     std::chrono::minutes(30));
  }
  const double lo_s = Seconds(t0);
  std::printf("LibreOffice  : %d PDFs in %.1f s sequentially in batches of 200, %d present\n", n,
              lo_s, CountPdfs(root / "lo"));
  std::printf("ratio        : %.2f\n", queue_s / lo_s);
  fs::remove_all(root);
  vexlo::app::SetHost(nullptr);
  return 0;
}
