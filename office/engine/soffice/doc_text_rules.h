// What decides whether a record's texts can go into a .doc written from a base (doc_base.h), and
// the statistics the office stores for them: plain text the office stores as it stands, fields
// whose result is the same for every record, the scripts a formatted run is split by, and the
// word, character and paragraph counts. Pure functions; any thread.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOC_TEXT_RULES_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOC_TEXT_RULES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::engine {

// The document statistics the office stores: words (each CJK character and full-width mark one,
// other characters between spaces one: close to the office's own word breaking, which may join
// CJK characters it finds in its dictionary), characters (spaces included) and paragraphs that
// hold any.
struct Counts {
  long words = 0;
  long characters = 0;
  long paragraphs = 0;
};
// Adds the counts of one paragraph's text.
void Count(const std::u16string& text, Counts& counts);

// Whether the office puts `text` into a .doc as it stands: no control characters, no characters
// it stores otherwise (soft and non-breaking hyphens, private-use characters, which it may move
// for symbol fonts) and nothing written right to left (the office splits runs where the
// direction changes).
bool IsPlain(const std::u16string& text);

// Whether the result of a field with `code` is the same for every record of a template, or
// worked out again by whoever opens the file (page numbers, counts of pages): a link, a page
// number, the date or time of the run. Any other field may show a record's text (references,
// statistics, formulas), which the base would keep showing.
bool IsKeptField(const std::u16string& code);

// The office writes a formatted run as one character run per script: Latin (ASCII, Latin,
// Greek, Cyrillic), Asian (CJK, kana, hangul, full-width forms) or weak (spaces, general
// punctuation, symbols, emoji), which goes with its neighbours. Any other character is not
// known here.
enum class Script { kLatin, kAsian, kWeak, kUnknown };

// The scripts of `text` in order, and where each but the first starts (in UTF-16 units). A weak
// character takes the script around it, which must be the same on both sides within the text:
// at its ends or between two scripts its place depends on what surrounds the run. nullopt then,
// or for a character not known.
struct ScriptRuns {
  std::vector<Script> scripts;
  std::vector<std::uint32_t> starts;
};
std::optional<ScriptRuns> ScriptRunsOf(const std::u16string& text);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOC_TEXT_RULES_H_
