// The table directory of a TrueType font program: reading its tables, writing a program anew from
// them, and the big-endian numbers they are made of. Used by truetype_font.cpp.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::engine::truetype {

std::uint32_t U32(const std::string& s, std::size_t at);
std::uint16_t U16(const std::string& s, std::size_t at);
void Put32(std::string& s, std::uint32_t v);
void Put16(std::string& s, std::uint16_t v);
// Overwrites the two bytes at `at`.
void Set16(std::string& s, std::size_t at, std::uint16_t v);

// Where things lie in a font program and in the tables that trimming reads and rewrites; all
// numbers big-endian.
namespace offset_table {  // the program's header, then one entry per table
constexpr std::size_t kVersion = 0;
constexpr std::size_t kTableCount = 4;
constexpr std::size_t kSize = 12;
constexpr std::size_t kEntrySize = 16;  // tag, checksum, offset, length
constexpr std::size_t kEntryOffset = 8;
constexpr std::size_t kEntryLength = 12;
constexpr std::uint32_t kTrueType = 0x00010000;
constexpr std::uint32_t kTrueTypeApple = 0x74727565;  // "true"
}  // namespace offset_table
namespace head_table {
constexpr std::size_t kChecksumAdjustment = 8;
constexpr std::size_t kBoundingBox = 36;  // xMin, yMin, xMax, yMax (16-bit each)
constexpr std::size_t kLongOffsets = 50;  // 1: loca holds 32-bit offsets
constexpr std::size_t kMinSize = 54;
constexpr std::uint32_t kChecksumMagic = 0xB1B0AFBA;
}  // namespace head_table
namespace maxp_table {
constexpr std::size_t kGlyphCount = 4;
constexpr std::size_t kMinSize = 6;
}  // namespace maxp_table
namespace hhea_table {
constexpr std::size_t kLongMetricCount = 34;  // glyphs with an advance of their own in hmtx
constexpr std::size_t kMinSize = 36;
}  // namespace hhea_table
namespace post_table {
constexpr std::size_t kVersion = 0;  // 32-bit; version 2 names the glyphs after its header
constexpr std::size_t kHeaderSize = 32;
constexpr std::uint32_t kVersion2 = 0x00020000;
constexpr std::uint16_t kVersion3 = 3;  // the high half of 0x00030000: no glyph names
}  // namespace post_table
namespace glyph_outline {  // a glyph's outline in glyf
constexpr std::size_t kContourCount = 0;  // negative: a composite of other glyphs
constexpr std::size_t kBoundingBox = 2;
constexpr std::size_t kHeaderSize = 10;
}  // namespace glyph_outline

struct Table {
  std::string tag;
  std::string data;
};

// The tables of a program with TrueType outlines, in directory order; nullopt when it cannot be
// read.
std::optional<std::vector<Table>> ReadTables(const std::string& font);

// The table called `tag`; nullptr when there is none.
const std::string* Find(const std::vector<Table>& tables, const char* tag);
std::string* Find(std::vector<Table>& tables, const char* tag);

// A program of `tables` with the header of `original`: directory, checksums, tables on 4-byte
// boundaries, the whole-font checksum in head.
std::string WriteTables(const std::string& original, std::vector<Table> tables);

}  // namespace vexlo::engine::truetype

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TRUETYPE_TABLES_H_
