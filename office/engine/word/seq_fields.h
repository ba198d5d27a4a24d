// Caption numbers: SEQ fields count through the whole document, so a further copy of a story
// would go on counting where the template's own document starts at 1. FirstSequenceFields finds,
// per identifier, the first SEQ field of a story that neither sets nor repeats its number; copies
// restart it there ("\r 1"), and so number their captions as the record's own document does.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_SEQ_FIELDS_H_
#define VEXLO_OFFICE_ENGINE_WORD_SEQ_FIELDS_H_

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <unordered_set>

namespace vexlo::engine::word {

// The switch a further copy adds to such a field's instruction.
inline constexpr std::string_view kSequenceRestart = " \\r 1 ";

// The identifier of SEQ instruction `instr` (upper-cased), or "" when `instr` is no SEQ field or
// already sets (\r) or repeats (\c) its number.
std::string CountingSequence(std::string_view instr);

// Under `root` (in the WordprocessingML prefix `w`): the elements that end the instruction of the
// first counting SEQ field of each identifier (the last w:instrText of a field, or a
// w:fldSimple), as pugi's internal objects.
std::unordered_set<const void*> FirstSequenceFields(const pugi::xml_node& root, const std::string& w);

// `main_xml` (a document's main part) with every SEQ field of an identifier, from the first that
// restarts it (\r) on, replaced by the result it shows. A format whose writer drops the switch
// (LibreOffice's .doc) would otherwise number the captions of a document's further copies on
// from the copies before. Fields nested in others, or whose parts share runs with other content,
// are left as they are; the text is returned unchanged when nothing was replaced.
std::string SequencesAsText(const std::string& main_xml);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_SEQ_FIELDS_H_
