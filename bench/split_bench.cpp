// What cutting a joined export into its records costs (SplitPdfAtDestinations: the parts, their
// fonts trimmed to their own glyphs, their outlines). Run by hand; split_bench.sh makes the
// joined PDF from the records of a real run and drives it.
//   split_bench --join OUT.docx RECORD.docx...   joins the records as the engine does
//   split_bench JOINED.pdf [ROUNDS] [KEEP_DIR]  cuts it ROUNDS times (default 10), printing the
//                                               time per cut and per record; KEEP_DIR keeps the
//                                               parts of the last cut (to compare two builds)
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "office/engine/package/pdf_split.h"
#include "office/engine/soffice/page_batch.h"

namespace fs = std::filesystem;
using vexlo::engine::RecordMark;

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// How many record marks the joined PDF names (vexlorecord0, 1, … without a gap).
std::size_t CountMarks(const std::string& path) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processFile(path.c_str());
  QPDFObjectHandle names = pdf.getRoot().getKey("/Names");
  QPDFObjectHandle dests = pdf.getRoot().getKey("/Dests");
  std::size_t n = 0;
  for (;; ++n) {
    const std::string mark = RecordMark(n);
    QPDFObjectHandle found;
    const bool in_tree = names.isDictionary() && names.getKey("/Dests").isDictionary() &&
                         QPDFNameTreeObjectHelper(names.getKey("/Dests"), pdf).findObject(mark, found);
    if (!in_tree && !(dests.isDictionary() && dests.hasKey("/" + mark))) return n;
  }
}

int Join(int argc, char** argv) {
  std::vector<std::string> sources(argv + 3, argv + argc);
  std::sort(sources.begin(), sources.end());
  const vexlo::engine::JoinedDocuments joined = vexlo::engine::JoinForPages(sources, argv[2]);
  if (joined.members.size() != sources.size()) {
    std::fprintf(stderr, "joined %zu of %zu: %s\n", joined.members.size(), sources.size(),
                 joined.refused.message().c_str());
    return 1;
  }
  std::printf("joined %zu records into %s\n", sources.size(), argv[2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--join") return Join(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: split_bench JOINED.pdf [ROUNDS] [KEEP_DIR] | --join OUT.docx RECORD.docx...\n");
    return 2;
  }
  const std::string pdf = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  const std::size_t records = CountMarks(pdf);
  if (records == 0) {
    std::fprintf(stderr, "%s names no record marks\n", pdf.c_str());
    return 1;
  }
  const fs::path out = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path() / "vexlo-split-bench";
  fs::create_directories(out);
  std::vector<std::string> marks, parts;
  for (std::size_t k = 0; k < records; ++k) {
    marks.push_back(RecordMark(k));
    char name[32];
    std::snprintf(name, sizeof name, "part%03zu.pdf", k);
    parts.push_back((out / name).string());
  }
  std::vector<double> wall, cpu;
  int pages = 0;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuSeconds();
    const vexlo::engine::Result<std::vector<int>> split = vexlo::engine::SplitPdfAtDestinations(pdf, marks, parts);
    cpu.push_back(CpuSeconds() - c0);
    wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    if (!split.ok()) {
      std::fprintf(stderr, "split failed: %s\n", split.status().message().c_str());
      return 1;
    }
    pages = 0;
    for (int n : *split) pages += n;
  }
  std::uintmax_t bytes = 0;
  for (const std::string& p : parts) bytes += fs::file_size(p);
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  const double n = static_cast<double>(records);
  std::printf("%s: %zu records, %d pages, %.0f KB joined, parts %.0f KB in all\n", pdf.c_str(), records, pages,
              static_cast<double>(fs::file_size(pdf)) / 1024, static_cast<double>(bytes) / 1024);
  std::printf("cut, median of %d   wall %7.1f ms  cpu %7.1f ms   (%.2f ms cpu a record)\n", rounds,
              1e3 * wall[wall.size() / 2], 1e3 * cpu[cpu.size() / 2], 1e3 * cpu[cpu.size() / 2] / n);
  std::printf("cut, fastest        wall %7.1f ms  cpu %7.1f ms\n", 1e3 * wall.front(), 1e3 * cpu.front());
  if (argc <= 3) fs::remove_all(out);
  return 0;
}
