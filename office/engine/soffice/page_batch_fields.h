// Which fields a record may hold and still be joined: the fields of a part read from its
// instructions (simple fields and complex ones, nested too), and the rule of which show the same
// inside a longer document. Part of page_batch; pure, any thread.
// Convention: checks return a Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FIELDS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FIELDS_H_

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "office/engine/package/status.h"

namespace vexlo::engine {

// The field an instruction names: its first word, upper-cased (" numpages \* Arabic" is
// "NUMPAGES").
std::string FieldName(const std::string& instruction);

// One field as a part's text holds it: a simple field, or a complex one (begin, instruction,
// separator, result, end) whose runs may lie in several paragraphs.
struct FieldRuns {
  pugi::xml_node simple;                     // the w:fldSimple, else null
  std::vector<pugi::xml_node> instructions;  // a complex field's w:instrText runs
  std::string instruction;
  bool has_result = false;   // its separator was met (a simple field's result is its runs)
  bool ended = true;         // its end was met (false: the part stops inside it)
  bool holds_fields = false;  // a field begins inside its result
  std::vector<pugi::xml_node> results;  // the texts (w:t) of its result, not of fields inside it
};

// The fields of `root` in the order they end (a field inside another's result comes first),
// then those the part stops inside.
std::vector<FieldRuns> Fields(pugi::xml_node root);

// The names of every field in `xml` that names one.
std::vector<std::string> FieldNames(const pugi::xml_document& xml);

// Fields that show the page count: the office counts the whole joined document's pages, so
// each record's are given the record's own count (page_batch_counts.h, joined_page_counts.h).
bool CountsPages(const std::string& field);
bool CountsPages(const pugi::xml_document& xml);

// Whether the fields of `xml` (the main text, or a header, footer or notes part) show the same
// inside a longer document: ok, or (refused) the first that does not.
Status CheckFields(const pugi::xml_document& xml, bool main_text);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FIELDS_H_
