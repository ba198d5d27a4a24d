// The text of a story kept in a part of its own (a header, a footer, the footnotes or endnotes):
// read as the word processor shows it, and searched and replaced with the same rules as the main
// story (text_match.h). Paragraphs of text boxes in the part are searched as paragraphs of their
// own. Pure functions on the part's XML; any thread. A part that is no XML holds no text.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_STORY_PART_H_
#define VEXLO_OFFICE_ENGINE_WORD_STORY_PART_H_

#include <string>
#include <string_view>

namespace vexlo::engine::word {

// The visible text of `xml`: run texts and field results, tabs as "\t", line breaks as "\v",
// each paragraph ended by "\r". Field instructions and deleted text are left out.
std::string PartText(std::string_view xml);

struct PartFind {
  bool match_case = false;
  bool whole_word = false;
  int max_replacements = -1;  // -1: all
};

// Replaces `find` by `with` (text as DocumentModel::Replace takes it) in `xml`, or only counts
// when `with` is null. Returns the number of matches; `xml` changes only when some were replaced.
int ReplaceInPart(std::string& xml, std::string_view find, const std::string* with,
                  const PartFind& options);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_STORY_PART_H_
