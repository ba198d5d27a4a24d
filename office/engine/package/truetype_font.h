// TrueType font programs as the office embeds them for a simple font of a PDF: the codes a
// document shows lead through the program's own character map to glyphs, which keep their
// numbers. Trimming keeps the outlines and advance widths of those glyphs (and of the glyphs they
// are made of); the map leads only the shown codes anywhere, other glyph slots are empty with no
// width, and the program ends with the last glyph kept.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_FONT_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_FONT_H_

#include <bitset>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vexlo::engine {

// `program` trimmed to the codes in `used`; nullopt when it is not of a form this knows (a
// table that could tell of other glyphs, a shown code the map leads nowhere).
std::optional<std::string> TrimTrueType(const std::string& program, const std::bitset<256>& used);

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
