// Records' .docx files as the merge makes them from a template, for the tests and tools that
// check the offices' output.
#ifndef VEXLO_TESTS_ENGINE_ORACLE_RECORD_DOCUMENTS_H_
#define VEXLO_TESTS_ENGINE_ORACLE_RECORD_DOCUMENTS_H_

#include <filesystem>
#include <string>
#include <vector>

namespace vexlo::oracle {

// The records' .docx files ("记录N.docx" in `dir`), made by our engine from `templ` (.doc or
// .docx) with `titles` replaced by each record's values. Raises app::RuntimeError when the merge
// fails.
std::vector<std::filesystem::path> MakeRecordDocuments(const std::filesystem::path& dir,
                                                       const std::filesystem::path& templ,
                                                       const std::vector<std::string>& titles,
                                                       const std::vector<std::vector<std::string>>& records);

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_RECORD_DOCUMENTS_H_
