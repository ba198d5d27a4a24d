// The oracle's cases: the template corpus (each as .docx and as the office's .doc), the bundled
// example, and templates made to break the fast paths (formatted values that empty, grow and
// shrink, change script; values that add lines to a table cell; lists through styles, headings,
// two sections, pictures; page counts and dates in their formats; references, a table of
// contents, text form fields, footnotes and endnotes).
#ifndef VEXLO_TESTS_ENGINE_ORACLE_ORACLE_CASES_H_
#define VEXLO_TESTS_ENGINE_ORACLE_ORACLE_CASES_H_

#include <filesystem>
#include <vector>

#include "office/engine/soffice/office_pool.h"
#include "tests/engine/oracle/path_oracle.h"

namespace vexlo::oracle {

// `source`: the source tree (tests/data, 示例). `generated`: where the made templates go.
std::vector<OracleCase> CorpusCases(const std::filesystem::path& source);
OracleCase ExampleCase(const std::filesystem::path& source);
// The two-page pay slip whose page titles are headings (its PDF has an outline), a picture in the
// header, a table; one record long enough for a third page.
OracleCase HeadingPaySlipCase(const std::filesystem::path& source);
// The two-page notice of the benchmark: headings, a table, the date it is sent and the date it
// was drawn up, "第 X 页 共 Y 页" in the footer; one record long enough for a third page.
OracleCase NoticeCase(const std::filesystem::path& source);
std::vector<OracleCase> GeneratedCases(const std::filesystem::path& generated);

// A generated case by its name ("formats", "cells", "structure").
OracleCase GeneratedCase(const std::filesystem::path& generated, const std::string& name);

// Case `c` with its .docx template stored as .doc by `pool` into `folder`; raises
// app::RuntimeError when the office cannot store it.
OracleCase AsDocTemplate(const OracleCase& c, engine::OfficePool& pool, const std::filesystem::path& folder);

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_ORACLE_CASES_H_
