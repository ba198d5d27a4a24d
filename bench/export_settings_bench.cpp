// Which of the PDF export's own settings cost the office time without changing what the records'
// PDFs show. One office, started as the pool starts its offices (same profile settings, fonts);
// the records given are joined as the engine joins them (JoinForPages, page counts written in);
// then, ROUNDS times, each variant in turn: the joined document loaded, exported with the
// engine's settings plus the variant's, closed. Prints each variant's median load and export
// times against the engine's own settings, and whether its PDF shows the same as theirs (page
// count, outline, links, text, pixels: the oracle's comparison) and is still cut into the same
// records.
// Run by hand after scripts/build.sh (export_settings_bench.sh makes the records).
// Usage: export_settings_bench ROUNDS PAGES RECORD.docx...   (PAGES: the count each record shows)
#include <QCoreApplication>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "office/engine/package/pdf_split.h"
#include "office/engine/soffice/joined_notes.h"
#include "office/engine/soffice/office.h"
#include "office/engine/soffice/office_link.h"
#include "office/engine/soffice/page_batch.h"
#include "office/engine/soffice/pool_state.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/soffice/uno_calls.h"
#include "tests/engine/oracle/page_compare.h"

namespace fs = std::filesystem;
namespace css = com::sun::star;
using Clock = std::chrono::steady_clock;
using namespace vexlo::engine;

namespace {

struct Variant {
  const char* name;
  std::vector<css::beans::PropertyValue> settings;  // added to the engine's export settings
  std::vector<css::beans::PropertyValue> load = {};  // added to its load settings
};

std::vector<Variant> Variants() {
  const auto on = [](bool b) { return css::uno::Any(b); };
  return {
      {"the engine's own settings", {}},
      {"ExportBookmarks=false (no outline)", {Prop("ExportBookmarks", on(false))}},
      {"ExportNotes=false (no comments)", {Prop("ExportNotes", on(false))}},
      {"ExportFormFields=false (no form)", {Prop("ExportFormFields", on(false))}},
      {"IsSkipEmptyPages=false (blank pages kept)", {Prop("IsSkipEmptyPages", on(false))}},
      {"ReduceImageResolution=false", {Prop("ReduceImageResolution", on(false))}},
      {"UseLosslessCompression=true", {Prop("UseLosslessCompression", on(true))}},
      {"UseReferenceXObject=true", {Prop("UseReferenceXObject", on(true))}},
      {"SelectPdfVersion=15 (PDF 1.5)", {Prop("SelectPdfVersion", css::uno::Any(sal_Int32(15)))}},
      {"SelectPdfVersion=17 (PDF 1.7)", {Prop("SelectPdfVersion", css::uno::Any(sal_Int32(17)))}},
      // Two of the load's settings too: the filter named (no type detection), a preview load.
      {"load: FilterName=MS Word 2007 XML", {}, {Prop("FilterName", css::uno::Any(U("MS Word 2007 XML")))}},
      {"load: Preview=true", {}, {Prop("Preview", on(true))}},
  };
}

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The load and export the engine makes of a joined document (joined_export.cpp), with
// `variant`'s settings added.
void Export(Office& office, const std::string& docx, const JoinedDocuments& joined,
            const std::vector<std::string>& marks, const Variant& variant, const std::string& pdf,
            double& load_s, double& export_s) {
  const Clock::time_point t0 = Clock::now();
  const css::uno::Reference<css::lang::XComponent> doc = LoadHidden(office.link->desktop, docx, true, variant.load);
  PrepareJoinedNotes(doc, joined, marks);
  load_s = Since(t0);
  const Clock::time_point t1 = Clock::now();
  try {
    ExportPdfWithDestinations(doc, pdf, variant.settings);
  } catch (...) {
    CloseDocument(doc);
    throw;
  }
  export_s = Since(t1);
  CloseDocument(doc);
}

// The records' page counts when `pdf` is cut at the record marks; empty when it cannot be.
std::vector<int> Cut(const std::string& pdf, const std::vector<std::string>& marks, const fs::path& dir) {
  fs::create_directories(dir);
  std::vector<std::string> parts;
  for (std::size_t k = 0; k < marks.size(); ++k) parts.push_back((dir / (std::to_string(k) + ".pdf")).string());
  Result<std::vector<int>> split = SplitPdfAtDestinations(pdf, marks, parts);
  return split.ok() ? *split : std::vector<int>{};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: export_settings_bench ROUNDS PAGES RECORD.docx...\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  const int pages = std::atoi(argv[2]);
  std::vector<std::string> sources(argv + 3, argv + argc);
  std::sort(sources.begin(), sources.end());
  const fs::path work = fs::temp_directory_path() / ("vexlo-export-settings-" + std::to_string(::getpid()));
  fs::create_directories(work);

  const std::string docx = (work / "joined.docx").string();
  const JoinedDocuments joined = JoinForPages(sources, docx, false, pages);
  if (joined.members.size() != sources.size()) {
    std::fprintf(stderr, "joined %zu of %zu records: %s\n", joined.members.size(), sources.size(),
                 joined.refused.message().c_str());
    return 1;
  }
  std::vector<std::string> marks;
  for (std::size_t k = 0; k < joined.members.size(); ++k) marks.push_back(RecordMark(k));

  OfficePoolOptions options;
  options.profile_root = (work / "profiles").string();
  PoolState pool(options);
  pool.fonts_env = "FONTCONFIG_FILE=" + WriteFontsConf(options.profile_root);
  Office office(0);
  office.work_dir = (work / "office").string();
  fs::create_directories(office.work_dir);
  office.want_running = true;  // as the pool's worker wants it
  LoadUnoRuntime();
  if (const Status started = StartOffice(office, pool); !started.ok()) {
    std::fprintf(stderr, "%s\n", started.message().c_str());
    return 1;
  }

  const std::vector<Variant> variants = Variants();
  std::vector<std::vector<double>> loads(variants.size()), exports(variants.size());
  try {
    double load_s = 0, export_s = 0;
    Export(office, docx, joined, marks, Variant{"warm", {}}, (work / "warm.pdf").string(), load_s, export_s);
    for (int round = 0; round < rounds; ++round) {
      // Each round starts with another variant, so that none always follows the same one.
      for (std::size_t i = 0; i < variants.size(); ++i) {
        const std::size_t v = (i + static_cast<std::size_t>(round)) % variants.size();
        Export(office, docx, joined, marks, variants[v], (work / (std::to_string(v) + ".pdf")).string(), load_s,
               export_s);
        loads[v].push_back(load_s);
        exports[v].push_back(export_s);
      }
    }
  } catch (const css::uno::Exception& e) {
    std::fprintf(stderr, "LibreOffice: %s\n", DescribeUnoError(e).c_str());
    return 1;
  }
  EndOffice(office, pool);

  const fs::path reference = work / "0.pdf";
  const std::vector<int> reference_cut = Cut(reference.string(), marks, work / "cut-0");
  const double base = Median(loads[0]) + Median(exports[0]);
  std::printf("%zu records joined, %d rounds, medians (the office's own time)\n", sources.size(), rounds);
  std::printf("%-44s %8s %8s %8s %9s  %s\n", "variant", "load s", "export s", "both vs", "PDF KB", "same PDFs?");
  for (std::size_t v = 0; v < variants.size(); ++v) {
    const fs::path pdf = work / (std::to_string(v) + ".pdf");
    std::string same = "(reference)";
    if (v > 0) {
      same = vexlo::oracle::PdfDifference(reference, pdf);
      if (same.empty()) {
        same = Cut(pdf.string(), marks, work / ("cut-" + std::to_string(v))) == reference_cut ? "same" : "not cut alike";
      }
    }
    std::printf("%-44s %8.3f %8.3f %+7.1f%% %9.0f  %s\n", variants[v].name, Median(loads[v]), Median(exports[v]),
                100.0 * (Median(loads[v]) + Median(exports[v]) - base) / base, static_cast<double>(fs::file_size(pdf)) / 1024.0,
                same.c_str());
  }
  std::error_code ec;
  fs::remove_all(work, ec);
  return 0;
}
