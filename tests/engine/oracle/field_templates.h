// Templates of the oracle made to show fields inside records, built on a table whose cells hold
// values: a table of contents (with its
// entries, updated on opening, or still empty), text form fields (also in a document protected
// for filling in) and endnotes; and the field runs they and the other made templates write.
#ifndef VEXLO_TESTS_ENGINE_ORACLE_FIELD_TEMPLATES_H_
#define VEXLO_TESTS_ENGINE_ORACLE_FIELD_TEMPLATES_H_

#include <string>

#include "tools/word_corpus/word_package.h"

namespace vexlo::oracle {

// A field as word processors write it (begin, instruction, separator, the result `shown`, end),
// each of its runs formatted by `rpr`.
std::string Field(const std::string& instruction, const std::string& shown, const std::string& rpr = "");

// A table whose cells hold values, one of them gaining lines; the others below are built on it.
corpus::Template Cells();

// A note of `kind` ("footnote", "endnote"): the mark of note `id` in the text, and notes 1
// (holding a value) and 2 (plain); each mark formatted by `rpr`.
std::string NoteReference(const std::string& kind, int id, const std::string& rpr);
std::string TwoNotes(const std::string& kind, const std::string& rpr);

corpus::Template Contents();
corpus::Template ContentsUpdatedOnOpening();
corpus::Template ContentsEmpty();
corpus::Template FormFields();
corpus::Template FormFieldsProtected();
corpus::Template Endnotes();

}  // namespace vexlo::oracle

#endif  // VEXLO_TESTS_ENGINE_ORACLE_FIELD_TEMPLATES_H_
