#include "office/engine/package/truetype_cmap.h"

#include "office/engine/package/truetype_tables.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace vexlo::engine::truetype {

namespace {

// The glyph a subtable at `sub` gives `key`; 0 when none (formats 0, 4 and 6).
std::uint16_t Lookup(const std::string& cmap, std::size_t sub, std::uint32_t key) {
  if (sub + 6 > cmap.size()) return 0;
  const std::uint16_t format = U16(cmap, sub);
  if (format == 0) {
    return key < 256 && sub + 6 + 256 <= cmap.size() ? static_cast<unsigned char>(cmap[sub + 6 + key]) : 0;
  }
  if (format == 6) {
    if (sub + 10 > cmap.size()) return 0;
    const std::uint16_t first = U16(cmap, sub + 6);
    const std::uint16_t count = U16(cmap, sub + 8);
    if (key < first || key >= first + count || sub + 10 + 2 * (key - first) + 2 > cmap.size()) return 0;
    return U16(cmap, sub + 10 + 2 * (key - first));
  }
  if (format == 4) {
    if (sub + 14 > cmap.size()) return 0;
    const std::size_t segments = U16(cmap, sub + 6) / 2;
    const std::size_t ends = sub + 14, starts = ends + 2 * segments + 2;
    const std::size_t deltas = starts + 2 * segments, offsets = deltas + 2 * segments;
    if (offsets + 2 * segments > cmap.size()) return 0;
    for (std::size_t i = 0; i < segments; ++i) {
      if (key > U16(cmap, ends + 2 * i)) continue;
      const std::uint16_t start = U16(cmap, starts + 2 * i);
      if (key < start) return 0;
      const std::uint16_t delta = U16(cmap, deltas + 2 * i);
      const std::uint16_t range = U16(cmap, offsets + 2 * i);
      if (range == 0) return static_cast<std::uint16_t>(key + delta);
      const std::size_t at = offsets + 2 * i + range + 2 * (key - start);
      if (at + 2 > cmap.size()) return 0;
      const std::uint16_t glyph = U16(cmap, at);
      return glyph == 0 ? 0 : static_cast<std::uint16_t>(glyph + delta);
    }
  }
  return 0;
}

struct Record {
  std::uint16_t platform, encoding;
  std::size_t offset;
};

std::vector<Record> Records(const std::string& cmap) {
  std::vector<Record> records;
  if (cmap.size() < 4) return records;
  const std::size_t count = U16(cmap, 2);
  for (std::size_t i = 0; i < count && 4 + 8 * i + 8 <= cmap.size(); ++i) {
    records.push_back({U16(cmap, 4 + 8 * i), U16(cmap, 4 + 8 * i + 2), U32(cmap, 4 + 8 * i + 4)});
  }
  return records;
}

// The key a subtable gives a simple font's code under, and its glyph; {0, 0} when none.
std::pair<std::uint32_t, std::uint16_t> KeyOfCode(const std::string& cmap, const Record& r, std::uint32_t code) {
  if (r.platform == 3) {
    if (std::uint16_t g = Lookup(cmap, r.offset, 0xF000 + code)) return {0xF000 + code, g};
  }
  return {code, Lookup(cmap, r.offset, code)};
}

// Format 0: a byte for each of the 256 keys.
std::string Format0(const std::map<std::uint32_t, std::uint16_t>& glyphs) {
  std::string sub;
  Put16(sub, 0);
  Put16(sub, 6 + 256);
  Put16(sub, 0);
  std::string bytes(256, '\0');
  for (const auto& [key, glyph] : glyphs) bytes[key] = static_cast<char>(glyph);
  return sub + bytes;
}

// Format 4: a segment of its own for each key, then the closing one.
std::string Format4(const std::map<std::uint32_t, std::uint16_t>& glyphs) {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> segments;  // key, delta
  for (const auto& [key, glyph] : glyphs) {
    segments.emplace_back(static_cast<std::uint16_t>(key), static_cast<std::uint16_t>(glyph - key));
  }
  segments.emplace_back(0xFFFF, 1);
  const auto count = static_cast<std::uint16_t>(segments.size());
  const auto range = static_cast<std::uint16_t>(2 * std::bit_floor(segments.size()));
  std::string sub;
  Put16(sub, 4);
  Put16(sub, static_cast<std::uint16_t>(16 + 8 * count));
  Put16(sub, 0);
  Put16(sub, static_cast<std::uint16_t>(2 * count));
  Put16(sub, range);
  Put16(sub, static_cast<std::uint16_t>(std::countr_zero(range / 2u)));
  Put16(sub, static_cast<std::uint16_t>(2 * count - range));
  for (const auto& s : segments) Put16(sub, s.first);  // ends
  Put16(sub, 0);
  for (const auto& s : segments) Put16(sub, s.first);  // starts
  for (const auto& s : segments) Put16(sub, s.second);
  for (std::size_t i = 0; i < segments.size(); ++i) Put16(sub, 0);
  return sub;
}

}  // namespace

std::uint16_t GlyphOfCode(const std::string& cmap, std::uint32_t code) {
  for (const auto& [platform, encoding] : {std::pair{3, 0}, std::pair{1, 0}}) {
    for (const Record& r : Records(cmap)) {
      if (r.platform != platform || r.encoding != encoding) continue;
      if (std::uint16_t g = KeyOfCode(cmap, r, code).second) return g;
    }
  }
  return 0;
}

std::optional<std::vector<CmapSubtable>> CodesOnly(const std::string& cmap, const FontCodes& codes) {
  std::vector<CmapSubtable> subtables;
  for (const Record& r : Records(cmap)) {
    if (r.encoding != 0 || (r.platform != 1 && r.platform != 3)) return std::nullopt;
    CmapSubtable sub{r.platform, r.encoding, {}};
    for (std::uint32_t code = 0; code < 256; ++code) {
      if (codes[code] < 0) continue;
      const auto [key, glyph] = KeyOfCode(cmap, r, code);
      if (glyph != 0) sub.glyphs[key - code + static_cast<std::uint32_t>(codes[code])] = glyph;
    }
    subtables.push_back(std::move(sub));
  }
  return subtables;
}

std::map<std::uint32_t, std::uint16_t> MappedCodes(const std::string& cmap) {
  std::map<std::uint32_t, std::uint16_t> codes;
  for (const Record& r : Records(cmap)) {
    for (std::uint32_t key = 0; key <= 0xFFFF; ++key) {
      const std::uint16_t glyph = Lookup(cmap, r.offset, key);
      if (glyph == 0) continue;
      const bool simple = key < 256 || (r.platform == 3 && key >= 0xF000 && key < 0xF100);
      codes[simple ? (key & 0xFF) : 256] = glyph;
    }
  }
  return codes;
}

std::string WriteCmap(const std::vector<CmapSubtable>& subtables) {
  std::string table, bodies;
  Put16(table, 0);
  Put16(table, static_cast<std::uint16_t>(subtables.size()));
  const std::size_t header = 4 + 8 * subtables.size();
  for (const CmapSubtable& s : subtables) {
    const bool bytes = s.glyphs.empty() || (s.glyphs.rbegin()->first < 256 &&
                                            std::all_of(s.glyphs.begin(), s.glyphs.end(),
                                                        [](const auto& e) { return e.second < 256; }));
    Put16(table, s.platform);
    Put16(table, s.encoding);
    Put32(table, static_cast<std::uint32_t>(header + bodies.size()));
    bodies += bytes ? Format0(s.glyphs) : Format4(s.glyphs);
  }
  return table + bodies;
}

}  // namespace vexlo::engine::truetype
