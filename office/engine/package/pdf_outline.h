// The outline (the bookmarks a viewer lists beside the pages) of one record cut from a joined
// export: each record's entries are its own headings, whole subtrees of the joined outline that
// point into its pages. Any thread; uses libqpdf.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_

#include <map>
#include <string>
#include <vector>

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>

namespace vexlo::engine {

// Why the outline of `pdf` cannot be cut at the first pages `starts` (ascending page indexes):
// an entry without a page of its own, or an entry of one part nested under one of another (its
// place in the part's own outline would differ). Empty: it can (or there is no outline).
// `page_index` maps each page object to its index.
std::string WhyNotCutOutline(QPDF& pdf, const std::map<QPDFObjGen, int>& page_index,
                             const std::vector<int>& starts);

// Gives `out` the outline entries of `in` whose pages are among `pages` (`in`'s page objects, in
// the order of `out`'s pages), pointing at `out`'s pages; nothing when there are none.
void CopyOutlinePart(QPDF& in, QPDF& out, const std::vector<QPDFObjectHandle>& pages);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_
