// The outline (the bookmarks a viewer lists beside the pages) of one record cut from a joined
// export: each record's entries are its own headings, whole subtrees of the joined outline that
// point into its pages; and where outline entries and links go, by part. Any thread; uses libqpdf.
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_

#include <map>
#include <string>
#include <vector>

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>

#include "office/engine/package/status.h"

namespace vexlo::engine {

// The part (index into `starts`, the parts' first pages) of page `page`.
int PartOfPage(int page, const std::vector<int>& starts);

// The part of the page that an outline entry or a link annotation (`item`) goes to, through an
// explicit destination or a go-to action; -1 when it goes to none (a named destination, another
// action). `page_index` maps each page object to its index.
int DestinationPart(QPDFObjectHandle item, const std::map<QPDFObjGen, int>& page_index, const std::vector<int>& starts);

// Why the outline of `pdf` cannot be cut at the first pages `starts` (ascending page indexes):
// an entry without a page of its own, or an entry of one part nested under one of another (its
// place in the part's own outline would differ): refused; ok when it can (or there is no
// outline). `page_index` maps each page object to its index.
Status CheckOutlineCuttable(QPDF& pdf, const std::map<QPDFObjGen, int>& page_index,
                            const std::vector<int>& starts);

// Points the links of `out`'s pages (copies of `pages` of the joined PDF, in order) that go to
// pages of the part at `out`'s own pages (copying a page makes copies of the pages its links go
// to, outside the page tree).
void RepointLinks(const std::vector<QPDFObjectHandle>& pages, QPDF& out);

// Gives `out` the outline entries of `in` whose pages are among `pages` (`in`'s page objects, in
// the order of `out`'s pages), pointing at `out`'s pages; nothing when there are none.
void CopyOutlinePart(QPDF& in, QPDF& out, const std::vector<QPDFObjectHandle>& pages);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_OUTLINE_H_
