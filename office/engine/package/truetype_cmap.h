// The character map of a TrueType font program, as a PDF reader uses it for a simple font: code
// c is looked up in the (3,0) subtable as 0xF000 + c or c, else in the (1,0) subtable as c. Used
// by truetype_font.cpp.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_CMAP_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_CMAP_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "office/engine/package/font_codes.h"

namespace vexlo::engine::truetype {

// One subtable: its platform and encoding, and what it maps (key → glyph).
struct CmapSubtable {
  std::uint16_t platform = 0;
  std::uint16_t encoding = 0;
  std::map<std::uint32_t, std::uint16_t> glyphs;
};

// The glyph a simple font's `code` shows, as a reader finds it; 0 when none.
std::uint16_t GlyphOfCode(const std::string& cmap, std::uint32_t code);

// The subtables of `cmap` with only the entries of the codes shown, under their new codes;
// nullopt when it holds a subtable other than (3,0) and (1,0), which could lead other keys to
// glyphs.
std::optional<std::vector<CmapSubtable>> CodesOnly(const std::string& cmap, const FontCodes& codes);

// The codes every subtable of `cmap` leads to a glyph (code 256 stands for any key no simple
// font's code looks up), with their glyphs.
std::map<std::uint32_t, std::uint16_t> MappedCodes(const std::string& cmap);

// A cmap table of `subtables`, in their order.
std::string WriteCmap(const std::vector<CmapSubtable>& subtables);

}  // namespace vexlo::engine::truetype

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_CMAP_H_
