// What proving a .doc template's conversion costs its preparation: with one warm office, the
// time the office takes to convert the template alone, the time PrepareTemplateAsync takes on
// an empty cache (conversion and proof), and on a cache that holds it (a new session). Each
// round uses a cache folder of its own. Usage: template_proof_bench <template.doc> [rounds]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "office/engine/engine_services.h"
#include "office/engine/soffice/office_pool.h"
#include "office/engine/word/doc_conversion.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vexlo::engine;

namespace {

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: template_proof_bench <template.doc> [rounds]\n");
    return 2;
  }
  const fs::path tpl = fs::absolute(argv[1]);
  const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
  const fs::path work = fs::temp_directory_path() / ("vexlo-proof-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  EngineServices services;
  services.pool().Start(1);
  services.pool().WaitForOffices(1, std::chrono::minutes(3));
  std::vector<double> alone, cold, cached;
  for (int round = 0; round <= rounds; ++round) {
    const fs::path cache = work / ("cache-" + std::to_string(round));
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    services.conversions().ForgetTemplates();
    const fs::path copy = work / ("alone-" + std::to_string(round) + ".doc");
    fs::copy_file(tpl, copy);
    Clock::time_point start = Clock::now();
    ConversionJob job;
    job.source = copy.string();
    job.label = copy.filename().string();
    job.targets.resize(1);
    job.targets[0].path = (work / ("alone-" + std::to_string(round) + ".docx")).string();
    job.targets[0].format = StoreFormat::kDocx;
    const bool ok = services.pool().Submit(std::move(job)).get().ok();
    const double t_alone = Since(start);
    start = Clock::now();
    const word::TemplateConversion made = services.conversions().PrepareTemplateAsync(tpl.string()).get();
    const double t_cold = Since(start);
    services.conversions().ForgetTemplates();
    start = Clock::now();
    const word::TemplateConversion again = services.conversions().PrepareTemplateAsync(tpl.string()).get();
    const double t_cached = Since(start);
    if (!ok || !made.error.empty() || !made.detour || !again.detour) {
      std::fprintf(stderr, "round %d failed: %s\n", round, made.error.c_str());
      return 1;
    }
    if (round == 0) {
      std::printf("verdict: %s\n", made.detour->Describe().c_str());
      continue;  // the first round warms the office up
    }
    alone.push_back(t_alone);
    cold.push_back(t_cold);
    cached.push_back(t_cached);
  }
  std::printf("conversion alone: %.3f s\nprepared, empty cache (conversion and proof): %.3f s\n"
              "prepared, cached: %.4f s\nproof's extra time: %.3f s (median of %d rounds)\n",
              Median(alone), Median(cold), Median(cached), Median(cold) - Median(alone), rounds);
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
