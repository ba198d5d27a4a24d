#include "office/engine/package/truetype_font.h"

#include "office/engine/package/truetype_cmap.h"
#include "office/engine/package/truetype_tables.h"

#include <algorithm>

namespace vexlo::engine {

namespace {

using namespace truetype;

// The tables a trimmed program may hold: none of the others numbers glyphs or describes them.
const std::set<std::string> kKnownTables = {"cmap", "cvt ", "fpgm", "gasp", "glyf", "head", "hhea",
                                            "hmtx", "loca", "maxp", "name", "post", "prep"};

struct Metric {
  std::uint16_t advance = 0;
  std::uint16_t bearing = 0;
};

// Where each glyph's outline lies in glyf, and its horizontal metrics.
struct Glyphs {
  std::vector<std::size_t> offsets;  // one more than there are glyphs
  bool long_offsets = false;
  std::vector<Metric> metrics;
  std::size_t count() const { return metrics.size(); }
};

std::optional<Glyphs> ReadGlyphs(const std::vector<Table>& tables) {
  const std::string* head = Find(tables, "head");
  const std::string* maxp = Find(tables, "maxp");
  const std::string* hhea = Find(tables, "hhea");
  const std::string* hmtx = Find(tables, "hmtx");
  const std::string* loca = Find(tables, "loca");
  const std::string* glyf = Find(tables, "glyf");
  if (!head || !maxp || !hhea || !hmtx || !loca || !glyf || head->size() < head_table::kMinSize ||
      maxp->size() < maxp_table::kMinSize || hhea->size() < hhea_table::kMinSize) {
    return std::nullopt;
  }
  Glyphs g;
  g.long_offsets = U16(*head, head_table::kLongOffsets) == 1;
  const std::size_t count = U16(*maxp, maxp_table::kGlyphCount);
  const std::size_t long_metrics = U16(*hhea, hhea_table::kLongMetricCount);
  if (count == 0 || long_metrics == 0 || long_metrics > count ||
      hmtx->size() < 4 * long_metrics + 2 * (count - long_metrics) ||
      loca->size() < (count + 1) * (g.long_offsets ? 4 : 2)) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i <= count; ++i) {
    const std::size_t offset = g.long_offsets ? U32(*loca, 4 * i) : 2u * U16(*loca, 2 * i);
    if (offset > glyf->size() || (i > 0 && offset < g.offsets.back())) return std::nullopt;
    g.offsets.push_back(offset);
  }
  // Glyphs past the long metrics share the last advance and have a bearing of their own.
  for (std::size_t i = 0; i < count; ++i) {
    g.metrics.push_back(i < long_metrics
                            ? Metric{U16(*hmtx, 4 * i), U16(*hmtx, 4 * i + 2)}
                            : Metric{U16(*hmtx, 4 * (long_metrics - 1)),
                                     U16(*hmtx, 4 * long_metrics + 2 * (i - long_metrics))});
  }
  return g;
}

// The outline of glyph `glyph` (empty when it has none).
std::string Outline(const std::string& glyf, const Glyphs& g, std::uint16_t glyph) {
  return glyf.substr(g.offsets[glyph], g.offsets[glyph + 1] - g.offsets[glyph]);
}

// Where a composite outline names the glyphs it is made of; none for a simple one.
std::vector<std::size_t> ComponentPlaces(const std::string& outline) {
  std::vector<std::size_t> places;
  if (outline.size() < glyph_outline::kHeaderSize || static_cast<std::int16_t>(U16(outline, glyph_outline::kContourCount)) >= 0) {
    return places;
  }
  for (std::size_t at = glyph_outline::kHeaderSize; at + 4 <= outline.size();) {
    const std::uint16_t flags = U16(outline, at);
    places.push_back(at + 2);
    at += 4 + ((flags & 0x0001) ? 4 : 2);
    if (flags & 0x0008) at += 2;
    else if (flags & 0x0040) at += 4;
    else if (flags & 0x0080) at += 8;
    if (!(flags & 0x0020)) break;
  }
  return places;
}

// Adds `glyph` and the glyphs it is made of to `keep`.
void AddGlyph(const std::string& glyf, const Glyphs& g, std::uint16_t glyph, std::set<std::uint16_t>& keep) {
  if (!keep.insert(glyph).second || glyph >= g.count()) return;
  const std::string outline = Outline(glyf, g, glyph);
  for (std::size_t at : ComponentPlaces(outline)) AddGlyph(glyf, g, U16(outline, at), keep);
}

// .notdef, `shown` and the glyphs they are made of.
std::set<std::uint16_t> Needed(const std::string& glyf, const Glyphs& g, const std::set<std::uint16_t>& shown) {
  std::set<std::uint16_t> keep;
  AddGlyph(glyf, g, 0, keep);
  for (std::uint16_t glyph : shown) AddGlyph(glyf, g, glyph, keep);
  return keep;
}

using GlyphNumbers = std::map<std::uint16_t, std::uint16_t>;  // old → new

// The glyphs' new numbers: a shown glyph takes its code's number where that is free (the office
// numbers its glyphs as their codes); a glyph they are made of keeps its own in a slot left
// empty among them, or comes after them: it never lengthens the program with empty slots.
GlyphNumbers NumberGlyphs(const std::vector<CmapSubtable>& subtables, const std::set<std::uint16_t>& keep) {
  GlyphNumbers numbers = {{0, 0}};
  std::set<std::uint16_t> taken = {0};
  const auto give = [&](std::uint16_t glyph, std::uint16_t wanted) {
    if (numbers.contains(glyph)) return;
    const std::uint16_t slot = taken.contains(wanted) ? static_cast<std::uint16_t>(*taken.rbegin() + 1) : wanted;
    numbers[glyph] = slot;
    taken.insert(slot);
  };
  std::map<std::uint32_t, std::set<std::uint16_t>> by_code;
  for (const CmapSubtable& s : subtables) {
    for (const auto& [key, glyph] : s.glyphs) by_code[key & 0xFF].insert(glyph);
  }
  for (const auto& [code, glyphs] : by_code) {
    for (std::uint16_t glyph : glyphs) give(glyph, static_cast<std::uint16_t>(code));
  }
  for (std::uint16_t glyph : keep) {
    give(glyph, glyph < *taken.rbegin() ? glyph : static_cast<std::uint16_t>(*taken.rbegin() + 1));
  }
  return numbers;
}

// glyf, loca and hmtx of the glyphs in their new places, the outlines naming their parts' new
// numbers; slots no glyph took are empty and without width. And the box around the outlines,
// for head.
void PlaceGlyphs(std::vector<Table>& tables, const Glyphs& g, const GlyphNumbers& numbers) {
  const std::string glyf = *Find(tables, "glyf");
  std::size_t count = 0;
  for (const auto& [old_glyph, slot] : numbers) count = std::max<std::size_t>(count, slot + 1u);
  std::vector<int> old_of(count, -1);
  for (const auto& [old_glyph, slot] : numbers) old_of[slot] = old_glyph;
  std::string new_glyf, new_loca, new_hmtx;
  std::int16_t box[4] = {0, 0, 0, 0};
  bool boxed = false;
  const auto put_offset = [&] {
    g.long_offsets ? Put32(new_loca, static_cast<std::uint32_t>(new_glyf.size()))
                   : Put16(new_loca, static_cast<std::uint16_t>(new_glyf.size() / 2));
  };
  for (std::size_t slot = 0; slot < count; ++slot) {
    put_offset();
    const Metric m = old_of[slot] >= 0 ? g.metrics[static_cast<std::size_t>(old_of[slot])] : Metric{};
    Put16(new_hmtx, m.advance);
    Put16(new_hmtx, m.bearing);
    if (old_of[slot] < 0) continue;
    std::string outline = Outline(glyf, g, static_cast<std::uint16_t>(old_of[slot]));
    for (std::size_t at : ComponentPlaces(outline)) Set16(outline, at, numbers.at(U16(outline, at)));
    new_glyf += outline;
    new_glyf.resize((new_glyf.size() + 3) / 4 * 4, '\0');
    if (outline.size() < glyph_outline::kHeaderSize) continue;
    for (int k = 0; k < 4; ++k) {
      const auto v = static_cast<std::int16_t>(U16(outline, glyph_outline::kBoundingBox + 2 * k));
      box[k] = !boxed ? v : k < 2 ? std::min(box[k], v) : std::max(box[k], v);
    }
    boxed = true;
  }
  put_offset();
  *Find(tables, "glyf") = new_glyf;
  *Find(tables, "loca") = new_loca;
  *Find(tables, "hmtx") = new_hmtx;
  // Every glyph has long metrics of its own now.
  Set16(*Find(tables, "hhea"), hhea_table::kLongMetricCount, static_cast<std::uint16_t>(count));
  Set16(*Find(tables, "maxp"), maxp_table::kGlyphCount, static_cast<std::uint16_t>(count));
  for (int k = 0; k < 4; ++k) {
    Set16(*Find(tables, "head"), head_table::kBoundingBox + 2 * k, static_cast<std::uint16_t>(box[k]));
  }
}

}  // namespace

std::optional<std::string> TrimTrueType(const std::string& program, const FontCodes& codes) {
  std::optional<std::vector<Table>> tables = ReadTables(program);
  if (!tables) return std::nullopt;
  for (const Table& t : *tables) {
    if (!kKnownTables.contains(t.tag)) return std::nullopt;
  }
  const std::optional<Glyphs> g = ReadGlyphs(*tables);
  const std::string* cmap = Find(*tables, "cmap");
  if (!g || !cmap) return std::nullopt;
  for (std::uint32_t code = 0; code < 256; ++code) {
    // A shown code the map does not lead to a glyph: the reader finds it some other way.
    if (codes[code] >= 0 && GlyphOfCode(*cmap, code) == 0) return std::nullopt;
  }
  std::optional<std::vector<CmapSubtable>> subtables = CodesOnly(*cmap, codes);
  if (!subtables) return std::nullopt;
  std::set<std::uint16_t> shown;
  for (const CmapSubtable& s : *subtables) {
    for (const auto& [key, glyph] : s.glyphs) shown.insert(glyph);
  }
  const std::set<std::uint16_t> keep = Needed(*Find(*tables, "glyf"), *g, shown);
  if (*keep.rbegin() >= g->count()) return std::nullopt;
  const GlyphNumbers numbers = NumberGlyphs(*subtables, keep);
  for (CmapSubtable& s : *subtables) {
    for (auto& [key, glyph] : s.glyphs) glyph = numbers.at(glyph);
  }
  *Find(*tables, "cmap") = WriteCmap(*subtables);
  PlaceGlyphs(*tables, *g, numbers);
  // Glyph names (version 2) go: version 3 says there are none.
  if (std::string* post = Find(*tables, "post");
      post && post->size() >= post_table::kHeaderSize && U32(*post, post_table::kVersion) == post_table::kVersion2) {
    *post = post->substr(0, post_table::kHeaderSize);
    Set16(*post, post_table::kVersion, post_table::kVersion3);
  }
  return WriteTables(program, *tables);
}

std::optional<TrueTypeContents> ReadTrueType(const std::string& program) {
  const std::optional<std::vector<Table>> tables = ReadTables(program);
  if (!tables) return std::nullopt;
  const std::optional<Glyphs> g = ReadGlyphs(*tables);
  const std::string* cmap = Find(*tables, "cmap");
  if (!g || !cmap) return std::nullopt;
  TrueTypeContents contents;
  for (std::size_t i = 0; i < g->count(); ++i) {
    contents.outlined.push_back(g->offsets[i + 1] > g->offsets[i]);
    contents.advances.push_back(g->metrics[i].advance);
  }
  contents.codes = MappedCodes(*cmap);
  std::set<std::uint16_t> shown;
  for (const auto& [code, glyph] : contents.codes) shown.insert(glyph);
  contents.needed = Needed(*Find(*tables, "glyf"), *g, shown);
  return contents;
}

}  // namespace vexlo::engine
