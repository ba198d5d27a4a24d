// Finding a search key in a paragraph's folded text and putting a value in its place, shared by
// the main story (DocumentModel) and the other stories (headers, footers, notes: story_part.h).
// A paragraph is a list of items: run texts and the objects between them (tabs, breaks,
// drawings), which count as one character that no key can span. Pure functions; any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_TEXT_MATCH_H_
#define VEXLO_OFFICE_ENGINE_WORD_TEXT_MATCH_H_

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "office/engine/word/source_story.h"

namespace vexlo::engine::word {

// The visible text of the paragraph made of `items`, whose run texts are `texts`; folded for a
// search that ignores case when `fold`.
FoldedPara FoldItems(std::span<const ParaItem> items, const std::vector<std::string>& texts,
                     bool fold = true);

// Where `key` (folded like `para`) starts in `para`, left to right and without overlap, at most
// `budget` times. A match never spans an object; with `whole_word` it neither starts nor ends
// inside a word.
std::vector<std::size_t> FindMatches(const FoldedPara& para, const std::u32string& key,
                                     bool whole_word, int budget);

// Puts `with` in place of each match (of `length` characters) in `texts`, right to left so that
// the offsets of earlier matches stay valid. The value goes into the text of the first matched
// character and so takes its formatting; the rest of the match is cut from the texts it spans.
void ReplaceMatches(std::vector<std::string>& texts, const FoldedPara& para,
                    const std::vector<std::size_t>& matches, std::size_t length,
                    const std::string& with);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_TEXT_MATCH_H_
