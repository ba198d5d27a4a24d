// Feeds each data reader inputs of 10-50 MB built to hurt it and prints, per case, the input's
// size, the wall and CPU time of the load and the peak memory of the process that did it (CPU
// time is the figure to compare on a busy machine). Every case runs in
// a forked child of its own (its peak is its own, and a case that runs away is ended after the
// time limit), loading a file written beforehand as the merge does: LoadWorkbookFile.
//   text:  one huge quoted CSV field (UTF-8, GBK); doubled quotes; many tiny CSV cells; a web page cell of '&'
//          runs; many tiny table cells; tables nested deep; a script full of "</"
//   xlsx:  many shared strings; many tiny cells; many sheets and relationships among many parts;
//          tiny cells in a sheet that cannot be cut into slices
//          ("input" is the size of the XML inflated, the package itself is small)
//   xls:   many NUMBER records; many FORMAT and XF records; a shared string table in CONTINUEs
// Run by hand: build/bench/reader_bench [megabytes=20] [seconds per case=60] [case name filter]
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/sheet/workbook_loader.h"

namespace {

using vexlo::engine::ZipWriter;

size_t g_bytes = 20u << 20;  // the size each input is built to

// `head`, then `unit` repeated until the whole reaches `g_bytes` less `tail`, then `tail`.
std::string Fill(const std::string& head, const std::string& unit, const std::string& tail,
                 size_t bytes = g_bytes) {
  std::string out;
  out.reserve(bytes + unit.size() + tail.size());
  out += head;
  while (out.size() + unit.size() + tail.size() <= bytes) out += unit;
  out += tail;
  return out;
}

// A line of `per_line` repetitions of `cell`: the rows of the tiny-cell cases.
std::string Times(const std::string& cell, int per_line) {
  std::string out;
  for (int i = 0; i < per_line; ++i) out += cell;
  return out;
}

// --- BIFF8 records -----------------------------------------------------------------------------

std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

void Record(std::string& out, uint16_t type, const std::string& body) {
  out += Le(type, 2) + Le(static_cast<uint32_t>(body.size()), 2) + body;
}

// A bare BIFF8 workbook stream: `globals` (records after the BOF), one sheet named "S" holding
// `cells` (records after its BOF).
std::string BiffStream(const std::string& globals_body, const std::string& cells) {
  std::string globals;
  Record(globals, 0x0809, Le(0x0600, 2) + Le(0x0005, 2) + std::string(12, '\0'));
  globals += globals_body;
  const size_t sheet_at = globals.size() + (4 + 9) + 4;  // after BOUNDSHEET and EOF
  Record(globals, 0x0085, Le(static_cast<uint32_t>(sheet_at), 4) + std::string(2, '\0') +
                              Le(1, 1) + '\0' + "S");
  Record(globals, 0x000A, "");
  std::string sheet;
  Record(sheet, 0x0809, Le(0x0600, 2) + Le(0x0010, 2) + std::string(12, '\0'));
  sheet += cells;
  Record(sheet, 0x000A, "");
  return globals + sheet;
}

std::string XlsManyNumbers() {
  std::string cells;
  cells.reserve(g_bytes + 64);
  for (uint32_t i = 0; cells.size() + 18 <= g_bytes; ++i) {
    Record(cells, 0x0203, Le(i / 200, 2) + Le(i % 200, 2) + Le(0, 2) + std::string(8, '\x01'));
  }
  return BiffStream("", cells);
}

std::string XlsManyFormats() {
  std::string globals;
  globals.reserve(g_bytes + 64);
  for (uint32_t i = 0; globals.size() + 24 <= g_bytes; ++i) {
    Record(globals, 0x041E, Le(200 + (i % 60000), 2) + Le(3, 2) + '\0' + "0.0");
    Record(globals, 0x00E0, Le(0, 2) + Le(200 + (i % 60000), 2));
  }
  std::string cells;
  Record(cells, 0x0203, Le(0, 2) + Le(0, 2) + Le(20, 2) + std::string(8, '\x01'));
  return BiffStream(globals, cells);
}

// Shared strings of one letter each, the table cut into CONTINUE records of about 8 KB.
std::string XlsStringTable() {
  const uint32_t count = static_cast<uint32_t>(g_bytes / 4);
  std::string globals;
  globals.reserve(g_bytes + g_bytes / 1000 + 64);
  std::string piece = Le(count, 4) + Le(count, 4);
  bool first = true;
  for (uint32_t i = 0; i < count; ++i) {
    piece += Le(1, 2) + '\0' + "a";
    if (piece.size() >= 8000 || i + 1 == count) {
      Record(globals, first ? 0x00FC : 0x003C, piece);
      piece.clear();
      first = false;
    }
  }
  std::string cells;
  Record(cells, 0x00FD, Le(0, 2) + Le(0, 2) + Le(0, 2) + Le(count - 1, 4));
  return BiffStream(globals, cells);
}

// --- .xlsx packages ------------------------------------------------------------------------------

constexpr char kContentTypes[] =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
constexpr char kRootRels[] =
    "<Relationships><Relationship Id=\"r1\" Type=\"x/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
constexpr char kOneSheetWorkbook[] =
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>";
constexpr char kOneSheetRels[] =
    "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"x/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/></Relationships>";

// The XML inflated counts as the input's size; `xml_bytes` receives it.
std::string Package(const std::vector<std::pair<std::string, std::string>>& parts,
                    size_t& xml_bytes) {
  ZipWriter zip;
  zip.Add("[Content_Types].xml", kContentTypes);
  zip.Add("_rels/.rels", kRootRels);
  xml_bytes = 0;
  for (const auto& [name, xml] : parts) {
    zip.Add(name, xml);
    xml_bytes += xml.size();
  }
  return zip.Finish();
}

std::string XlsxManyStrings(size_t& xml_bytes) {
  const std::string strings = Fill("<sst>", "<si><t>s</t></si>", "</sst>");
  return Package({{"xl/workbook.xml", kOneSheetWorkbook},
                  {"xl/_rels/workbook.xml.rels", kOneSheetRels},
                  {"xl/sharedStrings.xml", strings},
                  {"xl/worksheets/sheet1.xml",
                   "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>"}},
                 xml_bytes);
}

std::string XlsxTinyCells(size_t& xml_bytes) {
  const std::string row = "<row>" + Times("<c><v>1</v></c>", 200) + "</row>";
  const std::string sheet = Fill("<worksheet><sheetData>", row, "</sheetData></worksheet>");
  return Package({{"xl/workbook.xml", kOneSheetWorkbook},
                  {"xl/_rels/workbook.xml.rels", kOneSheetRels},
                  {"xl/worksheets/sheet1.xml", sheet}},
                 xml_bytes);
}

// Tiny cells behind a comment that holds row end tags: the slices cannot be cut cleanly, and the
// sheet is parsed whole.
std::string XlsxUnsliceable(size_t& xml_bytes) {
  const std::string row = "<row>" + Times("<c><v>1</v></c>", 200) + "</row>";
  const std::string sheet =
      Fill("<worksheet><sheetData><!-- " + Times("</row>", 100000) + " -->", row,
           "</sheetData></worksheet>");
  return Package({{"xl/workbook.xml", kOneSheetWorkbook},
                  {"xl/_rels/workbook.xml.rels", kOneSheetRels},
                  {"xl/worksheets/sheet1.xml", sheet}},
                 xml_bytes);
}

// As many sheets as half the input holds, each with its relationship, whose targets differ in
// case from the 19000 parts of the package: every name is looked up the slow way.
std::string XlsxManySheets(size_t& xml_bytes) {
  std::string workbook = "<workbook xmlns:r=\"r\"><sheets>";
  std::string rels = "<Relationships>";
  for (uint32_t i = 0; workbook.size() + rels.size() < g_bytes; ++i) {
    const std::string id = std::to_string(i);
    workbook += "<sheet name=\"S" + id + "\" r:id=\"r" + id + "\"/>";
    rels += "<Relationship Id=\"r" + id + "\" Type=\"x/worksheet\" Target=\"Worksheets/Sheet" +
            std::to_string(i % 19000) + ".xml\"/>";
  }
  workbook += "</sheets></workbook>";
  rels += "</Relationships>";
  std::vector<std::pair<std::string, std::string>> parts = {
      {"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", rels}};
  for (int i = 0; i < 19000; ++i) {
    parts.emplace_back("xl/worksheets/sheet" + std::to_string(i) + ".xml",
                       "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>x</t></is></c></row>"
                       "</sheetData></worksheet>");
  }
  return Package(parts, xml_bytes);
}

// --- cases ---------------------------------------------------------------------------------------

struct Case {
  const char* name;
  const char* file;  // the name the input is saved under
  std::function<std::string(size_t& input_bytes)> make;
};

std::vector<Case> Cases() {
  auto text = [](std::function<std::string()> make) {
    return [make](size_t& input_bytes) {
      std::string bytes = make();
      input_bytes = bytes.size();
      return bytes;
    };
  };
  return {
      {"csv_one_huge_field", "a.csv",
       text([] { return Fill("姓名,备注\n张三,\"", "x", "\"\n", 50u << 20); })},
      {"csv_gbk_huge_field", "a.csv",  // GBK: decoded into UTF-8 half as large again
       text([] { return Fill("\xD0\xD5\xC3\xFB,x\n1,\"", "\xD5\xC5", "\"\n", 50u << 20); })},
      {"csv_doubled_quotes", "a.csv", text([] { return Fill("姓名,备注\n张三,\"", "\"\"", "\"\n"); })},
      {"csv_tiny_cells", "a.csv", text([] { return Fill("", Times("1,", 999) + "1\n", ""); })},
      {"html_entity_run", "a.xls",
       text([] { return Fill("<table><tr><td>姓名</td></tr><tr><td>", "&", "</td></tr></table>"); })},
      {"html_tiny_cells", "a.xls",
       text([] {
         return Fill("<table>", "<tr>" + Times("<td>1</td>", 100) + "</tr>", "</table>");
       })},
      {"html_nested_tables", "a.xls",
       text([] { return Fill("<table><tr><td>姓名</td></tr>", "<tr><td><table>", "</table>"); })},
      {"html_script_end_tags", "a.xls",
       text([] {
         return Fill("<html><script>", "</a", "</script><table><tr><td>姓名</td></tr></table>");
       })},
      {"xlsx_many_strings", "a.xlsx", XlsxManyStrings},
      {"xlsx_tiny_cells", "a.xlsx", XlsxTinyCells},
      {"xlsx_many_sheets", "a.xlsx", XlsxManySheets},
      {"xlsx_unsliceable", "a.xlsx", XlsxUnsliceable},
      {"xls_many_numbers", "a.xls", text(XlsManyNumbers)},
      {"xls_many_formats", "a.xls", text(XlsManyFormats)},
      {"xls_string_table", "a.xls", text(XlsStringTable)},
  };
}

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Loads `path` in a child ended after `seconds`; prints one line of figures.
void Run(const Case& c, const std::string& path, size_t input_bytes, int seconds) {
  malloc_trim(0);  // the input built and freed: the child starts from the parent's own size
  const long base_kb = ResidentKilobytes();
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    alarm(static_cast<unsigned>(seconds));
    int code = 0;
    try {
      vexlo::engine::sheet::LoadWorkbookFile(path);
    } catch (const vexlo::app::RuntimeError& e) {
      std::fprintf(stderr, "  %s: %s\n", c.name, e.text().c_str());
      code = 1;
    }
    _exit(code);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const char* outcome = WIFSIGNALED(status)   ? (WTERMSIG(status) == SIGALRM ? "TIMEOUT" : "CRASH")
                        : WEXITSTATUS(status) ? "refused"
                                              : "read";
  const double cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  const double input_mb = input_bytes / 1048576.0;
  const double peak_mb = usage.ru_maxrss / 1024.0;
  const double extra_mb = (usage.ru_maxrss - base_kb) / 1024.0;
  std::printf("%-22s %8.1f MB %-8s %7.0f ms %7.0f ms  %7.1f MB  (+%7.1f MB, %5.2f x input)\n",
              c.name, input_mb, outcome, ms, cpu_ms, peak_mb, extra_mb, extra_mb / input_mb);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_bytes = static_cast<size_t>(std::atof(argv[1]) * 1048576);
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
  const std::string filter = argc > 3 ? argv[3] : "";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("reader_bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::printf("%-22s %11s %-8s %10s %10s  %s\n", "case", "input", "outcome", "wall", "CPU",
              "peak RSS of the loading process (+ over the parent's, ratio to input)");
  for (const Case& c : Cases()) {
    if (!filter.empty() && std::string(c.name).find(filter) == std::string::npos) continue;
    const std::filesystem::path path = dir / c.file;
    size_t input_bytes = 0;
    {
      const std::string bytes = c.make(input_bytes);
      std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    Run(c, path.string(), input_bytes, seconds);
    std::filesystem::remove(path);
  }
  std::filesystem::remove(dir);
  return 0;
}
