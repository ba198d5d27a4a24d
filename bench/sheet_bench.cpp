// Opens the 999-record x 30-column benchmark workbooks (.xlsx and .xls) in the embedded
// spreadsheet and reads every cell once through the gateway, as the merge does
// (excelserver.application.activesheet.range(address).value, then the text conversion).
// Prints the time per run and the peak memory. Run by hand: build/bench/sheet_bench [runs]
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "merge/data_source.h"
#include "office/engine/register_servers.h"
#include "office/oleobject.h"

namespace {

constexpr int kRows = 1000;  // titles + 999 records
constexpr int kColumns = 30;

// CPU time of this process, which other programs on a busy machine do not inflate.
double CpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing {
  double wall_ms;
  double cpu_ms;
};

Timing RunOnce(const std::string& path, size_t& text_bytes) {
  const double cpu_start = CpuMilliseconds();
  const auto start = std::chrono::steady_clock::now();
  vexlo::office::oleobject excelserver;
  if (excelserver.start_new("excel.application") != 0) std::abort();
  excelserver.get("application").get("workbooks").call("open", {path});
  for (int row = 1; row <= kRows; ++row) {
    for (int col = 0; col < kColumns; ++col) {
      const std::string address = vexlo::merge::ColumnLetters(col) + std::to_string(row);
      const auto text = vexlo::office::ToText(
          excelserver.get("application").get("activesheet").call("range", {address}).get("value"));
      text_bytes += text ? text->size() : 0;
    }
  }
  excelserver.get("application").call("quit");
  excelserver.release();
  return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count(),
          CpuMilliseconds() - cpu_start};
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  vexlo::engine::RegisterSpreadsheetServer();
  const std::string data = std::string(VEXLO_SOURCE_DIR) + "/tests/data/sheet/";
  for (const char* name : {"bench_999x30.xlsx", "bench_999x30.xls"}) {
    std::vector<double> wall, cpu;
    size_t text_bytes = 0;
    const long before = PeakKilobytes();
    for (int i = 0; i < runs; ++i) {
      const Timing t = RunOnce(data + name, text_bytes);
      wall.push_back(t.wall_ms);
      cpu.push_back(t.cpu_ms);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf(
        "%-20s open + %d cell reads: wall min %.1f / median %.1f / max %.1f ms, "
        "CPU min %.1f / median %.1f ms (%d runs); peak RSS %ld KB (+%ld KB)\n",
        name, kRows * kColumns, wall.front(), wall[wall.size() / 2], wall.back(), cpu.front(),
        cpu[cpu.size() / 2], runs, PeakKilobytes(), PeakKilobytes() - before);
  }
  return 0;
}
