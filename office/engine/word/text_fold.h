// Character rules of the word processor's find: Unicode simple case folding (full-width Latin
// included), the whole-word rule (letters, digits and "_" of alphabetic scripts join into words; CJK
// ideographs, kana, hangul, punctuation and spaces are always boundaries), UTF-8 decoding and the
// clean-up of inserted text. Pure functions; any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_TEXT_FOLD_H_
#define VEXLO_OFFICE_ENGINE_WORD_TEXT_FOLD_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vexlo::engine::word {

char32_t FoldCase(char32_t c);
bool IsWordChar(char32_t c);

// Decodes the code point at `pos` and advances `pos`; a malformed sequence gives U+FFFD and
// advances one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& pos);

// The folded code points of `s`.
std::u32string FoldText(std::string_view s);

// Text as it is inserted into a document: valid UTF-8, line ends ("\r\n", "\r", "\n") as "\v"
// (a line break in the run texts of a story), other characters that XML cannot hold removed.
std::string CleanInsertedText(std::string_view s);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_TEXT_FOLD_H_
