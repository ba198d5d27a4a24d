// TrueType font programs as the office embeds them for a simple font of a PDF: the codes a
// document shows lead through the program's own character map to glyphs. Trimming keeps the
// outlines and advance widths of those glyphs (and of the glyphs they are made of); the map leads
// only the shown codes anywhere, under their new codes. A shown glyph takes its code's number as
// the office numbers them, the glyphs they are made of come after; slots no glyph takes are empty
// with no width, and the program ends with the last glyph kept.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_FONT_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_FONT_H_

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "office/engine/package/font_codes.h"

namespace vexlo::engine {

// `program` trimmed to the codes shown, each under its new code (see font_codes.h); nullopt when
// it is not of a form this knows (a table that could tell of other glyphs, a shown code the map
// leads nowhere).
std::optional<std::string> TrimTrueType(const std::string& program, const FontCodes& codes);

// What a TrueType program holds, glyph by glyph.
struct TrueTypeContents {
  std::vector<bool> outlined;                     // whether each glyph has an outline
  std::vector<int> advances;                      // each glyph's advance width
  std::map<std::uint32_t, std::uint16_t> codes;  // what the map leads anywhere (see MappedCodes)
  std::set<std::uint16_t> needed;                 // .notdef, the glyphs of `codes`, their parts
};
std::optional<TrueTypeContents> ReadTrueType(const std::string& program);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_FONT_H_
