// Opens the 999-record x 30-column benchmark workbooks (.xlsx and .xls) in the embedded
// spreadsheet and reads every cell once through the gateway, as the merge does
// (excelserver.application.activesheet.range(address).value, then the text conversion).
// Prints the time per run and the peak memory. Then times the loads of hostile workbooks, which
// must stay quick: a shared string table cut into 300000 CONTINUE records, and the XML files
// built to hurt a reader. Run by hand: build/bench/sheet_bench [runs]
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "merge/data_source.h"
#include "office/engine/engine_services.h"
#include "office/engine/sheet/spreadsheet_server.h"
#include "office/engine/sheet/workbook_loader.h"
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

void Record(std::string& out, uint16_t type, const std::string& body) {
  out += static_cast<char>(type & 0xFF);
  out += static_cast<char>(type >> 8);
  out += static_cast<char>(body.size() & 0xFF);
  out += static_cast<char>(body.size() >> 8);
  out += body;
}

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A BIFF8 stream whose shared string table of 300000 one-letter strings is cut into as many
// CONTINUE records; its one cell shows the last string. Read in linear time, it loads in well
// under a second.
std::string StringTableInManyPieces() {
  constexpr uint32_t kStrings = 300000;
  std::string globals, sheet;
  Record(globals, 0x0809, Le(0x0600, 2) + Le(0x0005, 2) + std::string(12, '\0'));
  Record(globals, 0x00FC, Le(kStrings, 4) + Le(kStrings, 4));
  for (uint32_t i = 0; i < kStrings; ++i) Record(globals, 0x003C, Le(1, 2) + '\0' + "a");
  const size_t boundsheet_size = 4 + 8 + 3;
  const size_t sheet_at = globals.size() + boundsheet_size + 4;
  Record(globals, 0x0085,
         Le(static_cast<uint32_t>(sheet_at), 4) + std::string(2, '\0') + Le(3, 1) + '\0' + "abc");
  Record(globals, 0x000A, "");
  Record(sheet, 0x0809, Le(0x0600, 2) + Le(0x0010, 2) + std::string(12, '\0'));
  Record(sheet, 0x00FD, Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(kStrings - 1, 4));
  Record(sheet, 0x000A, "");
  return globals + sheet;
}

// Loads a hostile workbook and prints how long it took and what became of it.
void TimeHostile(const std::string& label, const std::function<void()>& load) {
  const double cpu_start = CpuMilliseconds();
  const auto start = std::chrono::steady_clock::now();
  std::string outcome = "loaded";
  try {
    load();
  } catch (const vexlo::app::RuntimeError&) {
    outcome = "refused";
  }
  std::printf("%-28s %s in wall %.1f ms, CPU %.1f ms\n", label.c_str(), outcome.c_str(),
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count(),
              CpuMilliseconds() - cpu_start);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  vexlo::engine::EngineServices services;
  vexlo::engine::RegisterSpreadsheetServer(services.sheet());
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
  const std::string pieces = StringTableInManyPieces();
  TimeHostile("string table in 300000 pieces",
              [&] { vexlo::engine::sheet::LoadWorkbookBytes(pieces, "pieces.xls"); });
  for (const char* name : {"hostile_entities.xlsx", "hostile_deep.xlsx", "huge_sst_count.xls",
                           "zip_bomb.xlsx"}) {
    TimeHostile(name, [&] { vexlo::engine::sheet::LoadWorkbookFile(data + name); });
  }
  return 0;
}
