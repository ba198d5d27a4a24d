// The page counts of a joined document's records, set once the office has laid it out: a page
// count field (NUMPAGES, SECTIONPAGES) shows the pages of the whole document, which inside a
// joined one are all the records'. Each record's pages are read from the layout (from its mark to
// the next record's) and each of its page count fields becomes a field showing that number, in
// the field's own numbering (the office's, so arabic, roman and Chinese numerals come out as the
// field would show them). Office thread only; raises the office's exceptions.
// Convention: raises the office's exceptions (UNO), caught by the joined export.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_PAGE_COUNTS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_PAGE_COUNTS_H_

#include <string>
#include <vector>

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/text/XNumberingFormatter.hpp>

namespace vexlo::engine {

// Gives the page count fields of the loaded joined document `doc`, whose records start at the
// bookmarks `marks`, their record's page count; returns those counts, one a record (empty when
// the document holds no such field). The export must then show each record in as many pages,
// or that record's part is not its own PDF. Raises when a field's text is shared by records of
// different counts (a header of one page style on the pages of several records).
std::vector<int> GiveRecordsTheirPageCounts(
    const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc,
    const com::sun::star::uno::Reference<com::sun::star::text::XNumberingFormatter>& numbers,
    const std::vector<std::string>& marks);

// Gives every page count field of `doc` the count `count`, without laying the document out: for
// records expected to take `count` pages each. Returns that count for each of the `records`
// (empty when the document holds no such field); a record that comes out in other pages is not
// its own PDF.
std::vector<int> GiveRecordsPageCount(
    const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc,
    const com::sun::star::uno::Reference<com::sun::star::text::XNumberingFormatter>& numbers, int count,
    std::size_t records);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_PAGE_COUNTS_H_
