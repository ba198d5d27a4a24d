// The equivalence oracle of the office pool's fast paths: for a template and its records, each
// record's outputs are made through every path the pool may take (a kept document changed in
// place, PDFs cut from a joined export, a .doc written from another record's) and compared with
// the office's fresh load of the record's own file: the same page count, text and pages. A .doc
// is compared through the office's PDF of it. A path that cannot be shown equal for a template
// must not serve it.
#ifndef VEXLO_TESTS_ENGINE_ORACLE_PATH_ORACLE_H_
#define VEXLO_TESTS_ENGINE_ORACLE_PATH_ORACLE_H_

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexlo::engine {
class OfficePool;
}

namespace vexlo::oracle {

struct OracleCase {
  std::string name;
  std::filesystem::path templ;  // .docx or .doc
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> records;  // one value per title
};

enum class FastPath { kKeptPdf, kKeptDoc, kJoinedPdf, kDocFromBase };
const char* PathName(FastPath path);
inline constexpr FastPath kFastPaths[] = {FastPath::kKeptPdf, FastPath::kKeptDoc, FastPath::kJoinedPdf,
                                          FastPath::kDocFromBase};

struct PathVerdict {
  int served = 0;  // records the path made itself (the others were loaded afresh)
  std::vector<std::string> differences;  // "记录2：第1页 37 个像素不同"
};

struct CaseVerdict {
  std::string name;
  std::string error;  // the case could not be run (its records not made, a reference failed)
  std::map<FastPath, PathVerdict> paths;
  bool Equal() const;
  // Whether `path` served the template: made some record itself, and every output came out equal.
  bool Serves(FastPath path) const;
  std::string Report() const;  // a few lines, for people
};

class PathOracle {
 public:
  // `work`: a scratch folder for the records and outputs (the caller removes it).
  explicit PathOracle(std::filesystem::path work);
  ~PathOracle();
  PathOracle(const PathOracle&) = delete;
  PathOracle& operator=(const PathOracle&) = delete;

  CaseVerdict Check(const OracleCase& c);

 private:
  std::filesystem::path work_;
  int cases_ = 0;
  // One pool a path, each with one office: the kept documents (and the fresh references), the
  // joined PDFs, the .doc files written from a base.
  std::unique_ptr<engine::OfficePool> kept_, joined_, base_;
};

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_PATH_ORACLE_H_
