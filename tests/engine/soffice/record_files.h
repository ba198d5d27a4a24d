// Records' .docx files as the merge makes them, for the tests of the offices' output.
#ifndef VEXLO_TESTS_ENGINE_SOFFICE_RECORD_FILES_H_
#define VEXLO_TESTS_ENGINE_SOFFICE_RECORD_FILES_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vexlo::test {

// The records' .docx files ("记录N.docx" in `dir`), made by our engine from `fixture` (a file
// under tests/data) with `titles` replaced by each record's values.
std::vector<std::filesystem::path> MakeRecords(const std::filesystem::path& dir, const std::string& fixture,
                                               const std::vector<std::string>& titles,
                                               const std::vector<std::vector<std::string>>& records);

// Rewrites a part of each record (the main part by default).
void RewritePart(const std::vector<std::filesystem::path>& records, const std::string& part,
                 const std::function<void(std::string&)>& change);
inline void RewriteMain(const std::vector<std::filesystem::path>& records,
                        const std::function<void(std::string&)>& change) {
  RewritePart(records, "word/document.xml", change);
}

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_ENGINE_SOFFICE_RECORD_FILES_H_
