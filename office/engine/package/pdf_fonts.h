// Embedded fonts trimmed to what a document's pages show. A PDF cut out of a longer one (see
// pdf_split.h) takes along the font subsets of the whole: their glyphs, glyph names and
// character maps would tell which characters the other records use (their names, their figures).
// TrimFontsToPages keeps in each font only the characters its pages show and removes the rest:
// the glyph programs, the encoding entries, the character map entries and the widths. It knows
// the simple Type 1 and TrueType fonts the office embeds; a document with any other embedded font
// program is refused. Uses libqpdf; any thread.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_

#include <bitset>
#include <optional>
#include <string>

class QPDF;

namespace vexlo::engine {

// Empty when every font of `pdf` now holds only what its pages show; otherwise why not (and
// the document must not be used).
std::string TrimFontsToPages(QPDF& pdf);

// A Type 1 font program (clear part of `clear_length` bytes, then a binary eexec part of
// `encrypted_length` bytes, then the trailer) keeping only the glyphs of the codes in `used` (and
// .notdef). nullopt when the program is not of that form. `lengths` receives the new clear and
// encrypted lengths.
struct Type1Lengths {
  std::size_t clear = 0;
  std::size_t encrypted = 0;
};
std::optional<std::string> TrimType1(const std::string& program, std::size_t clear_length,
                                     std::size_t encrypted_length, const std::bitset<256>& used,
                                     Type1Lengths* lengths);

// A TrueType font program keeping only the outlines of the glyphs that the codes in `used` show
// (through its own character map, as a simple font's codes do) and of the glyphs those are made
// of; every other glyph is left empty, and glyph names go. nullopt when the program is not of a
// form this knows.
std::optional<std::string> TrimTrueType(const std::string& program, const std::bitset<256>& used);

// The number of glyphs of a TrueType font program that have an outline (tests).
int TrueTypeOutlines(const std::string& program);

// The glyph names a Type 1 font program holds, in order (tests).
std::optional<std::string> Type1GlyphNames(const std::string& program, std::size_t clear_length,
                                           std::size_t encrypted_length);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_
