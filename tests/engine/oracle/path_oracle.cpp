#include "tests/engine/oracle/path_oracle.h"

#include <chrono>
#include <future>

#include "app/runtime_error.h"
#include "office/engine/soffice/office_pool.h"
#include "tests/engine/oracle/page_compare.h"
#include "tests/engine/oracle/record_documents.h"

namespace vexlo::oracle {

namespace fs = std::filesystem;
using engine::ConversionOutcome;
using engine::OfficePool;
using engine::StoreFormat;
using namespace std::chrono_literals;

const char* PathName(FastPath path) {
  switch (path) {
    case FastPath::kKeptPdf: return "kept-pdf";
    case FastPath::kKeptDoc: return "kept-doc";
    case FastPath::kJoinedPdf: return "joined-pdf";
    case FastPath::kDocFromBase: return "doc-from-base";
  }
  return "";
}

bool CaseVerdict::Equal() const {
  if (!error.empty()) return false;
  for (const auto& [path, verdict] : paths) {
    if (!verdict.differences.empty()) return false;
  }
  return true;
}

bool CaseVerdict::Serves(FastPath path) const {
  const auto it = paths.find(path);
  return error.empty() && it != paths.end() && it->second.served > 0 && it->second.differences.empty();
}

std::string CaseVerdict::Report() const {
  std::string out = name + (error.empty() ? "" : "：无法检查：" + error) + "\n";
  for (const auto& [path, verdict] : paths) {
    out += "  " + std::string(PathName(path)) + "：自行生成 " + std::to_string(verdict.served) + " 份" +
           (verdict.differences.empty() ? "，全部相同" : "，" + std::to_string(verdict.differences.size()) + " 份不同") + "\n";
    for (const std::string& d : verdict.differences) out += "    " + d + "\n";
  }
  return out;
}

namespace {

OfficePool* MakePool(const fs::path& profiles, bool keep, bool join, bool base) {
  return new OfficePool({.offices = 1, .profile_root = profiles.string(),
                         // A loaded machine must not split a joined batch.
                         .coalesce_wait = 600ms, .keep_documents = keep, .join_records = join,
                         .doc_from_base = base});
}

// Submits `source` for the targets and waits; the error, or empty.
std::string Make(OfficePool& pool, const fs::path& source, bool take_source,
                 std::vector<std::pair<fs::path, StoreFormat>> targets) {
  engine::ConversionJob job{source.string(), take_source, {}, source.filename().string()};
  for (const auto& [path, format] : targets) job.targets.push_back({path.string(), format});
  const ConversionOutcome outcome = pool.Submit(std::move(job)).get();
  return outcome.ok() ? "" : outcome.message();
}

fs::path Copy(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  return to;
}

std::string Name(std::size_t i) { return "记录" + std::to_string(i); }

// Compares `made` with `reference`; a line for the path's list when they differ.
void Compare(PathVerdict& verdict, std::size_t record, const fs::path& reference, const fs::path& made) {
  const std::string difference = PdfDifference(reference, made);
  if (!difference.empty()) verdict.differences.push_back(Name(record) + "：" + difference);
}

}  // namespace

PathOracle::PathOracle(fs::path work) : work_(std::move(work)) {
  // Offices of the oracle's own: the profiles live in its folder and go with it.
  kept_.reset(MakePool(work_ / "profiles-kept", true, false, false));
  joined_.reset(MakePool(work_ / "profiles-joined", false, true, false));
  base_.reset(MakePool(work_ / "profiles-base", false, false, true));
}

PathOracle::~PathOracle() = default;

CaseVerdict PathOracle::Check(const OracleCase& c) {
  CaseVerdict verdict;
  verdict.name = c.name;
  const fs::path dir = work_ / ("case" + std::to_string(++cases_));
  fs::create_directories(dir / "records");
  std::vector<fs::path> records;
  try {
    records = MakeRecordDocuments(dir / "records", Copy(c.templ, dir / ("模板" + c.templ.extension().string())),
                                  c.titles, c.records);
  } catch (const app::RuntimeError& e) {
    verdict.error = e.text();
    return verdict;
  }
  const auto out = [&](const char* kind, std::size_t i, const char* ext) {
    fs::create_directories(dir / kind);
    return dir / kind / (Name(i) + ext);
  };

  // The joined PDFs are made meanwhile, on their own office, all handed over at once. A .doc
  // template's records are .doc files, and their PDFs show those.
  const bool doc_template = c.templ.extension() == ".doc";
  const int joined_before = joined_->joined();
  const auto submit_joined = [&](const char* kind) {
    std::vector<std::shared_future<ConversionOutcome>> futures;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const fs::path snapshot = Copy(records[i], out((std::string(kind) + "-src").c_str(), i, ".docx"));
      engine::StoreTarget pdf{out(kind, i, ".pdf").string(), StoreFormat::kPdf};
      if (doc_template) pdf.via = StoreFormat::kDoc;
      futures.push_back(joined_->Submit({snapshot.string(), true, {pdf}, Name(i)}));
    }
    return futures;
  };
  std::vector<std::shared_future<ConversionOutcome>> joined = submit_joined("joined");

  PathVerdict& kept_pdf = verdict.paths[FastPath::kKeptPdf];
  PathVerdict& kept_doc = verdict.paths[FastPath::kKeptDoc];
  PathVerdict& from_base = verdict.paths[FastPath::kDocFromBase];
  for (std::size_t i = 0; i < records.size() && verdict.error.empty(); ++i) {
    // The .doc written from a base goes on on its own office while the reference is made.
    const int written_before = base_->from_base();
    std::shared_future<ConversionOutcome> base_doc =
        base_->Submit({records[i].string(), false, {{out("base", i, ".doc").string(), StoreFormat::kDoc}}, Name(i)});
    verdict.error = Make(*kept_, records[i], false, {{out("ref", i, ".pdf"), StoreFormat::kPdf}, {out("ref", i, ".doc"), StoreFormat::kDoc}});
    if (verdict.error.empty()) {
      verdict.error = Make(*kept_, out("ref", i, ".doc"), false, {{out("ref-doc", i, ".pdf"), StoreFormat::kPdf}});
    }
    const int loads_before = kept_->loads();
    const std::string kept_error = Make(*kept_, Copy(records[i], out("kept-src", i, ".docx")), true,
                                        {{out("kept", i, ".pdf"), StoreFormat::kPdf}, {out("kept", i, ".doc"), StoreFormat::kDoc}});
    if (kept_->loads() == loads_before) {
      ++kept_pdf.served;
      ++kept_doc.served;
    }
    const ConversionOutcome base_outcome = base_doc.get();
    if (base_->from_base() > written_before) ++from_base.served;
    if (!verdict.error.empty()) break;
    if (!kept_error.empty()) {
      kept_pdf.differences.push_back(Name(i) + "：" + kept_error);
      continue;
    }
    Compare(kept_pdf, i, out("ref", i, ".pdf"), out("kept", i, ".pdf"));
    const std::string doc_error = Make(*kept_, out("kept", i, ".doc"), false, {{out("kept-doc", i, ".pdf"), StoreFormat::kPdf}});
    if (doc_error.empty()) {
      Compare(kept_doc, i, out("ref-doc", i, ".pdf"), out("kept-doc", i, ".pdf"));
    } else {
      kept_doc.differences.push_back(Name(i) + "：" + doc_error);
    }
    const std::string base_error = base_outcome.ok() ? Make(*kept_, out("base", i, ".doc"), false, {{out("base-doc", i, ".pdf"), StoreFormat::kPdf}})
                                                     : base_outcome.message();
    if (base_error.empty()) {
      Compare(from_base, i, out("ref-doc", i, ".pdf"), out("base-doc", i, ".pdf"));
    } else {
      from_base.differences.push_back(Name(i) + "：" + base_error);
    }
  }

  PathVerdict& joined_pdf = verdict.paths[FastPath::kJoinedPdf];
  const auto compare_joined = [&](const char* kind) {
    for (std::size_t i = 0; i < joined.size(); ++i) {
      const ConversionOutcome outcome = joined[i].get();
      if (!verdict.error.empty()) continue;
      if (!outcome.ok()) {
        joined_pdf.differences.push_back(Name(i) + "：" + outcome.message());
      } else {
        Compare(joined_pdf, i, out(doc_template ? "ref-doc" : "ref", i, ".pdf"), out(kind, i, ".pdf"));
      }
    }
  };
  compare_joined("joined");
  // Once more: the records are now expected to show the page count most of them came out in,
  // which goes into the joined document as written (and those of other counts are joined again
  // showing their own).
  joined = submit_joined("joined-again");
  compare_joined("joined-again");
  joined_pdf.served = joined_->joined() - joined_before;
  return verdict;
}

}  // namespace vexlo::oracle
