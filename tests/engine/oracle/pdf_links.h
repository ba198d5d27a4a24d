// The links of a PDF, as a viewer follows them: where each sits on its page and where it goes (a
// page of the document and the place on it, or an address). The oracle compares them, since the
// pages drawn do not show a link.
#ifndef VEXLO_TESTS_ENGINE_ORACLE_PDF_LINKS_H_
#define VEXLO_TESTS_ENGINE_ORACLE_PDF_LINKS_H_

#include <filesystem>
#include <string>
#include <vector>

namespace vexlo::oracle {

struct PdfLink {
  int page = 0;                // from 0
  double rect[4] = {0, 0, 0, 0};  // the area that is clicked, in points
  // Inside the document: the page it opens (from 0; -1 a page that is not there) and the point
  // at its top left (the viewer's own where the destination leaves it open: `has_x`, `has_y`).
  int target_page = -1;
  double x = 0, y = 0;
  bool has_x = false, has_y = false;
  std::string address;  // a web address, or what else it does ("命名位置 X" when unresolved)
};

// The links of `pdf`, page by page, each page's from the top. Raises std::exception when the file
// cannot be read.
std::vector<PdfLink> ReadPdfLinks(const std::filesystem::path& pdf);

// How the links of `got` differ from `want` ("第1页链接 2 指向第3页，参照为第2页"), positions within
// `tolerance` points alike; empty when alike.
std::string LinkDifference(const std::vector<PdfLink>& want, const std::vector<PdfLink>& got, double tolerance = 2.0);

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_PDF_LINKS_H_
