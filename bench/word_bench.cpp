// Speed of document generation through the automation gateway, as a merge run drives it:
// 999 records of the pay slip fixture, one document per record and one file for all records
// (100 and 999 records, for linearity), plus the peak memory of the one-file run and the cost of
// merely writing the files. Prints medians.
// Usage: word_bench <template.docx> [runs] [per|one|workbook=<path>]
// The data is a 999-row .xlsx made by this program (the same rows every run), read through the
// embedded spreadsheet server as the merge reads it.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "merge/data_source.h"
#include "merge/document_generation.h"
#include "office/engine/engine_services.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/register_servers.h"
#include "office/oleobject.h"

namespace {

namespace fs = std::filesystem;
using vexlo::office::oleobject;
using vexlo::office::Value;

const std::vector<std::string> kTitles = {"姓名", "工号", "部门", "岗位", "基本工资", "绩效工资",
                                          "加班费", "社保", "公积金", "个税", "实发工资", "发放月份"};

std::string Cell(int r, size_t k) {
  static const char* kDept[] = {"销售部", "财务部", "技术部", "人事部"};
  switch (k) {
    case 0: return "员工" + std::to_string(r);
    case 1: return "E" + std::to_string(10000 + r);
    case 2: return kDept[r % 4];
    case 3: return "专员";
    case 11: return "2026年11月";
    default: return std::to_string(1000 + (r * 37 + static_cast<int>(k) * 101) % 9000) + ".00";
  }
}

double Seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor time (user + system) of this process so far: on a busy machine the wall time of a
// run also holds the time other programs had the processor.
double CpuSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::vector<double> g_cpu;  // processor seconds of each run of the last Median

// Each run writes into a folder of its own, all removed at the end: deleting the previous run's
// files right before the next one would make the file system's inode allocator, not the engine,
// the thing measured.
fs::path g_last_out;
fs::path g_workbook;  // the data of every run

fs::path Fresh(const fs::path& base) {
  static int n = 0;
  g_last_out = base.string() + "-" + std::to_string(++n);
  fs::create_directories(g_last_out);
  return g_last_out;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else out.push_back(c);
  }
  return out;
}

// The data workbook: row 1 the titles, rows 2..1000 the records, every cell an inline string.
void WriteWorkbook(const fs::path& path) {
  std::string sheet =
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
  for (int r = 1; r <= 1000; ++r) {
    sheet += "<row r=\"" + std::to_string(r) + "\">";
    for (size_t k = 0; k < kTitles.size(); ++k) {
      const std::string ref = std::string(1, static_cast<char>('A' + k)) + std::to_string(r);
      const std::string text = r == 1 ? kTitles[k] : Cell(r, k);
      sheet += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + Escape(text) + "</t></is></c>";
    }
    sheet += "</row>";
  }
  sheet += "</sheetData></worksheet>";
  vexlo::engine::ZipWriter z;
  z.Add("[Content_Types].xml",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>)");
  z.Add("_rels/.rels",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)");
  z.Add("xl/workbook.xml",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="工资" sheetId="1" r:id="rId1"/></sheets></workbook>)");
  z.Add("xl/_rels/workbook.xml.rels",
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)");
  z.Add("xl/worksheets/sheet1.xml", sheet, 6);
  vexlo::engine::WriteFileAtomically(path.string(), z.Finish());
}

// One merge run, as the merge job makes it: the values come from the workbook through the
// spreadsheet server, record by record. Returns seconds.
double Run(const std::string& tpl, const fs::path& base, int records, bool one_file) {
  const fs::path out = Fresh(base);
  const auto t0 = std::chrono::steady_clock::now();
  oleobject excel;
  excel.start_new("excel.application");
  excel.get("application").get("workbooks").call("open", {Value(g_workbook.string())});
  vexlo::merge::DataSource data(excel);
  data.ReadTitles();
  std::vector<std::string> titles;
  for (const auto& t : data.titles()) titles.push_back(t.titlename);
  oleobject word, word2;
  word.start_new("word.application");
  word2.start_new("word.application");
  word.get("application").set("visible", Value(false));
  word2.get("application").set("visible", Value(false));
  vexlo::merge::PrepareDocuments(word, word2, tpl);
  if (one_file) {
    word2.get("documents").call("item", {Value(1)}).call("saveas", {Value((out / "合并输出.docx").string())});
  }
  for (int r = 2; r < records + 2; ++r) {
    if (!one_file && r > 2) vexlo::merge::NewRecordDocument(word2);
    const std::optional<std::string> name = data.ReadRecordName(r);
    if (!name) break;
    vexlo::merge::FillRecord(word, word2, titles,
                             [&](size_t k) { return data.ReadFieldValue(static_cast<int>(k) + 1, r); });
    Value doc = word2.get("documents").call("item", {Value(1)});
    if (one_file) {
      doc.call("save");
    } else {
      doc.call("saveas", {Value((out / (*name + ".docx")).string())});
      doc.call("close");
    }
  }
  if (one_file) word2.get("documents").call("item", {Value(1)}).call("close");
  word.get("documents").call("item", {Value(1)}).call("close");
  word.get("application").call("quit");
  word.release();
  word2.get("application").call("quit");
  word2.release();
  excel.get("application").call("quit");
  excel.release();
  return Seconds(t0);
}

double WriteOnly(const std::string& tpl, const fs::path& base, int records) {
  const fs::path out = Fresh(base);
  std::ifstream in(tpl, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const auto t0 = std::chrono::steady_clock::now();
  for (int r = 2; r < records + 2; ++r) {
    vexlo::engine::WriteFileAtomically((out / (Cell(r, 0) + ".docx")).string(), bytes);
  }
  return Seconds(t0);
}

template <typename F>
double Median(int runs, F f) {
  std::vector<double> t;
  g_cpu.clear();
  for (int i = 0; i < runs; ++i) {
    const double c0 = CpuSeconds();
    t.push_back(f());
    g_cpu.push_back(CpuSeconds() - c0);
  }
  std::sort(t.begin(), t.end());
  std::sort(g_cpu.begin(), g_cpu.end());
  return t[t.size() / 2];
}

double CpuMedian() { return g_cpu[g_cpu.size() / 2]; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: word_bench <template.docx> [runs] [per|one|workbook=<path>]\n");
    return 2;
  }
  const std::string tpl = fs::absolute(argv[1]).string();
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  // "per" or "one": that mode alone; "workbook=<path>": write the data workbook there.
  const std::string only = argc > 3 ? argv[3] : "";
  if (only.rfind("workbook=", 0) == 0) {
    // Only write the data workbook (for the peer comparison), then stop.
    WriteWorkbook(only.substr(9));
    return 0;
  }
  vexlo::engine::EngineServices services;
  vexlo::engine::RegisterEmbeddedServers(services);
  const fs::path out = fs::temp_directory_path() / ("vexlo-word-bench-" + std::to_string(getpid()));
  fs::create_directories(out);
  g_workbook = out / "数据.xlsx";
  WriteWorkbook(g_workbook);

  if (!only.empty()) {
    const double t = Median(runs, [&] { return Run(tpl, out / "x", 999, only == "one"); });
    fs::remove_all(out);
    std::printf("%s, 999 records: %.3f s  cpu %.3f s\n", only.c_str(), t, CpuMedian());
    return 0;
  }
  // Peak memory of the one-file run, measured alone in a child process.
  long peak_kb = -1;
  if (const pid_t child = fork(); child == 0) {
    Run(tpl, out / "mem", 999, true);
    _exit(0);
  } else if (child > 0) {
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    peak_kb = usage.ru_maxrss;
  }

  const double write_only = Median(runs, [&] { return WriteOnly(tpl, out / "w", 999); });
  const double write_only_cpu = CpuMedian();
  const double per_record = Median(runs, [&] { return Run(tpl, out / "p", 999, false); });
  const double per_record_cpu = CpuMedian();
  const double one_100 = Median(runs, [&] { return Run(tpl, out / "o", 100, true); });
  const double one_100_cpu = CpuMedian();
  const double one_999 = Median(runs, [&] { return Run(tpl, out / "m", 999, true); });
  const double one_999_cpu = CpuMedian();
  const std::uintmax_t merged = fs::file_size(g_last_out / "合并输出.docx");
  fs::remove_all(out);

  std::printf("vexlo word engine, %d runs each, medians (wall time, processor time)\n", runs);
  std::printf("  write 999 files, no work:           %.3f s  cpu %.3f s\n", write_only, write_only_cpu);
  std::printf("  one document per record, 999:       %.3f s  cpu %.3f s\n", per_record, per_record_cpu);
  std::printf("  one file, 100 records:              %.3f s  cpu %.3f s\n", one_100, one_100_cpu);
  std::printf("  one file, 999 records:              %.3f s  cpu %.3f s  (%.1f x the 100 run, %.1f MB)\n",
              one_999, one_999_cpu, one_999 / one_100, merged / 1048576.0);
  std::printf("  peak memory, one file 999 records:  %.1f MB\n", peak_kb / 1024.0);
  return 0;
}
