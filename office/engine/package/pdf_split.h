// Cutting one PDF into several at named destinations: the office exports many records as one
// document, each starting at a destination of its own, and each record's pages become a PDF of
// their own, with the pictures they use, fonts trimmed to the characters they show (see
// pdf_fonts.h: nothing of the other records goes along) and the outline entries of its own
// headings (pdf_outline.h). Refused when the PDF holds anything that points from one page to
// another or spans the document: links to places in the document, form fields, a structure tree,
// an outline entry nested under another record's; or when a part cannot be written (a font that
// cannot be trimmed): a refused split leaves none of its parts behind. Any thread; uses libqpdf.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SPLIT_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SPLIT_H_

// Convention: returns Result (status.h).
#include <string>
#include <vector>

#include "office/engine/package/status.h"

namespace vexlo::engine {

// Writes the pages from destination `starts[k]` up to the next one (the last: up to the end) to
// `paths[k]`. The destinations must name pages in ascending order, the first one the first page.
// The page count of each part; kRefused when the PDF cannot be cut so, another code when it
// could not be read or a part not written.
Result<std::vector<int>> SplitPdfAtDestinations(const std::string& pdf,
                                                const std::vector<std::string>& starts,
                                                const std::vector<std::string>& paths);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_SPLIT_H_
