// Page counts written into a joined document before the office reads it. When every record of a
// joined export is expected to take the same number of pages (learned from the records exported
// before), each page count field (NUMPAGES, SECTIONPAGES) becomes a field the office keeps as
// written: a document property it does not know (kPagesProperty), whose result is that number.
// The office shows it as a field, spaced as the page count field would be, and has nothing to
// count or rewrite once the document is loaded. Only arabic numbers are written so: a field, or
// a page numbering, asking for roman or Chinese numerals leaves the part as it is, and the office
// writes the counts (joined_page_counts.h). Whether each record came out in that many pages is
// checked on the cut PDF.
// Pure functions; any thread. Convention: returns std::optional / bool (nothing changed on
// false).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_COUNTS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_COUNTS_H_

#include <optional>
#include <string>

#include <pugixml.hpp>

namespace vexlo::engine {

// The document property the rewritten fields name; a package that defines it is not rewritten.
inline constexpr const char* kPagesProperty = "vexlopages";

// Rewrites the page count fields of `xml` (a main text, header, footer or notes part) to show
// `pages`. False, and `xml` untouched, when one asks for a numbering other than arabic or shows
// no result text to write the number in.
bool WritePageCounts(pugi::xml_document& xml, int pages);

// The same on a part's text: the rewritten part, or nullopt when it cannot be rewritten. A part
// without page count fields comes back as it is.
std::optional<std::string> WritePageCounts(const std::string& part, int pages);

// Whether the sections of the main text `xml` number their pages in arabic numerals, which a
// page count field without a numbering of its own follows.
bool ArabicPageNumbers(const pugi::xml_document& xml);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_COUNTS_H_
