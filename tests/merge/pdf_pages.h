// Whether two PDFs show the same pages: the same page count, and every page drawn at a modest
// resolution alike pixel for pixel (grey levels within a small tolerance: the smoothing of one
// glyph differs by a few levels between two exports, nothing else does).
#ifndef VEXLO_TESTS_MERGE_PDF_PAGES_H_
#define VEXLO_TESTS_MERGE_PDF_PAGES_H_

#include <filesystem>
#include <string>

namespace vexlo::test {

// How `pdf` differs from `reference` ("2 页，参照有 3 页", "第1页 37 个像素不同"); empty when alike.
std::string PageDifference(const std::filesystem::path& reference, const std::filesystem::path& pdf);

}  // namespace vexlo::test

#endif  // VEXLO_TESTS_MERGE_PDF_PAGES_H_
