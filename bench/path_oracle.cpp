// The equivalence oracle over its whole set: the template corpus (.docx and .doc), the bundled
// example and the generated templates. For each, every record's outputs are made through each
// fast path of the office pool and compared with the office's fresh load of the record's own
// file; prints what differs and, per path, how many templates it served (was used for and came
// out equal). Exit status 1 when anything differs.
// Usage: path_oracle [NAME-PART ...]   (only the cases whose name holds one of the parts)
#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "office/engine/engine_services.h"
#include "office/engine/package/temp_folder.h"
#include "office/engine/register_servers.h"
#include "tests/engine/oracle/oracle_cases.h"
#include "tests/engine/oracle/path_oracle.h"

namespace fs = std::filesystem;
using namespace vexlo::oracle;

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  vexlo::engine::EngineServices services;
  vexlo::engine::RegisterEmbeddedServers(services);
  const fs::path source = VEXLO_SOURCE_DIR;
  const fs::path work = vexlo::engine::MakePrivateTempFolder("oracle", vexlo::engine::TempSpeed::kDisk).value();
  std::vector<OracleCase> cases = GeneratedCases(work / "templates");
  // .doc templates' PDFs show each record's .doc: the generated structures as .doc templates too.
  for (const char* name : {"sections", "first-page", "header-values", "odd-even", "footnotes", "footnote-sections",
                           "page-count-sections", "page-count-formats", "dates", "references", "bookmark-references", "toc", "form-text", "endnotes"}) {
    cases.push_back(AsDocTemplate(GeneratedCase(work / "templates", name), services.pool(), work / "docs"));
  }
  cases.push_back(ExampleCase(source));
  cases.push_back(HeadingPaySlipCase(source));
  cases.push_back(AsDocTemplate(HeadingPaySlipCase(source), services.pool(), work / "docs"));
  cases.push_back(NoticeCase(source));
  cases.push_back(AsDocTemplate(NoticeCase(source), services.pool(), work / "docs"));
  for (OracleCase& c : CorpusCases(source)) cases.push_back(std::move(c));
  std::vector<std::string> parts(argv + 1, argv + argc);
  std::erase_if(cases, [&](const OracleCase& c) {
    if (parts.empty()) return false;
    for (const std::string& p : parts) {
      if (c.name.find(p) != std::string::npos) return false;
    }
    return true;
  });

  std::map<FastPath, int> served, differing;
  int unequal = 0;
  const auto t0 = std::chrono::steady_clock::now();
  {
    PathOracle oracle(work);
    for (const OracleCase& c : cases) {
      const CaseVerdict verdict = oracle.Check(c);
      std::printf("%s", verdict.Report().c_str());
      std::fflush(stdout);
      unequal += !verdict.Equal();
      for (FastPath path : kFastPaths) {
        served[path] += verdict.Serves(path);
        const auto it = verdict.paths.find(path);
        differing[path] += it != verdict.paths.end() && !it->second.differences.empty();
      }
    }
  }
  std::printf("\n%zu templates, %.0f s; templates served (used and equal) / with differences:\n", cases.size(),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  for (FastPath path : kFastPaths) std::printf("  %-14s %3d / %d\n", PathName(path), served[path], differing[path]);
  // VEXLO_ORACLE_KEEP=1 keeps the documents and PDFs made, to look at the pages that differ.
  if (const char* keep = std::getenv("VEXLO_ORACLE_KEEP"); keep && *keep == '1') {
    std::printf("kept in %s\n", work.c_str());
  } else {
    std::error_code ec;
    fs::remove_all(work, ec);
  }
  return unequal == 0 ? 0 : 1;
}
