// Many records in one PDF export. Laying out and exporting a document costs the office far more
// per export than per page, so the records of one template are joined into one document, each
// starting with a section of its own (a new page, page numbers starting again; its own lists,
// those numbered through styles too, numbered afresh; its own copies of headers and footers that
// hold values) and marked by a bookmark, exported once, and the PDF is cut at the marks
// (SplitPdfAtDestinations). Only documents whose pages come out exactly as they would alone are
// joined: no fields but page numbers and counts, dates, links, and in the main text references,
// captions' numbers, tables of contents and text form fields (each record's own:
// page_batch_refs.h), no endnotes or comments (footnotes only
// numbered plainly, each record's from 1: RecordNotes), no section showing a kind of
// header or footer that only a later section names (odd and even pages' headers follow each
// record's own page numbers), and no part but the main text, headers, footers and footnotes
// differing between records.
// Pure functions; any thread. Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_H_

#include <cstddef>
#include <string>
#include <vector>

#include "office/engine/package/status.h"

namespace vexlo::engine {

struct JoinedDocuments {
  // The indexes (into the sources) of the documents joined, in order; the first source is the
  // pattern the others must match. Empty when the first source cannot be joined at all.
  std::vector<std::size_t> members;
  Status refused = Status::Ok();  // when nothing was joined: why, for logs and tests
  // The label each footnote of the joined document needs, in the order of the text ("": the
  // office's own number); empty when none needs one.
  std::vector<std::string> note_labels;
  bool footnotes = false;  // the joined document holds footnotes
  // It shows the page count (NUMPAGES, SECTIONPAGES): each record is to show its own
  // (GiveRecordsTheirPageCounts).
  bool page_counts = false;
  // The count every page count field was written to show (page_batch_counts.h); 0: the office
  // is to give each record its own.
  int pages_shown = 0;
};

// Whether the .docx at `path` can be joined at all (its layout does not depend on the pages or
// documents around it): ok, or (refused) why not.
Status CheckJoinable(const std::string& path);

// Joins the .docx files `sources` (at most those that match the first) into `out_path`, member k
// starting with the bookmark RecordMark(k). Nothing is written when fewer than two can be joined.
// `through_doc`: the joined document is to be stored as .doc and loaded again before its export;
// paragraphs of two styles numbering on one level of one list are then refused
// (ListRestarts::shared_between_styles), and so are captions' numbers (SEQ), whose restarts the
// .doc loses. `shown_pages` (when more than 0): the page count each record is expected to show,
// written into its page count fields where they show arabic numerals (pages_shown tells).
JoinedDocuments JoinForPages(const std::vector<std::string>& sources, const std::string& out_path,
                             bool through_doc = false, int shown_pages = 0);

// The name of the mark at the start of member k: letters and digits only, so that it reaches the
// PDF's destinations unchanged.
std::string RecordMark(std::size_t k);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_H_
