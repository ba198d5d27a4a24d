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
  if (!head || !maxp || !hhea || !hmtx || !loca || !glyf || head->size() < 54 || maxp->size() < 6 ||
      hhea->size() < 36) {
    return std::nullopt;
  }
  Glyphs g;
  g.long_offsets = U16(*head, 50) == 1;
  const std::size_t count = U16(*maxp, 4);
  const std::size_t long_metrics = U16(*hhea, 34);
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

// Adds the glyphs a composite glyph is made of to `keep`.
void AddComponents(const std::string& glyf, const Glyphs& g, std::uint16_t glyph, std::set<std::uint16_t>& keep) {
  if (glyph >= g.count()) return;
  const std::size_t begin = g.offsets[glyph], end = g.offsets[glyph + 1];
  if (end - begin < 10 || static_cast<std::int16_t>(U16(glyf, begin)) >= 0) return;
  for (std::size_t at = begin + 10; at + 4 <= end;) {
    const std::uint16_t flags = U16(glyf, at);
    const std::uint16_t component = U16(glyf, at + 2);
    if (keep.insert(component).second) AddComponents(glyf, g, component, keep);
    at += 4 + ((flags & 0x0001) ? 4 : 2);
    if (flags & 0x0008) at += 2;
    else if (flags & 0x0040) at += 4;
    else if (flags & 0x0080) at += 8;
    if (!(flags & 0x0020)) break;
  }
}

// .notdef, `shown` and the glyphs they are made of.
std::set<std::uint16_t> Needed(const std::string& glyf, const Glyphs& g, const std::set<std::uint16_t>& shown) {
  std::set<std::uint16_t> keep = {0};
  for (std::uint16_t glyph : shown) {
    if (keep.insert(glyph).second) AddComponents(glyf, g, glyph, keep);
  }
  return keep;
}

// glyf, loca and hmtx of the first `count` glyphs: those in `keep` as they were, the others
// empty and without width; and the box around the outlines kept, for head.
void KeepGlyphs(std::vector<Table>& tables, const Glyphs& g, const std::set<std::uint16_t>& keep, std::size_t count) {
  const std::string& glyf = *Find(tables, "glyf");
  std::string new_glyf, new_loca, new_hmtx;
  std::int16_t box[4] = {0, 0, 0, 0};
  bool boxed = false;
  const auto put_offset = [&] {
    g.long_offsets ? Put32(new_loca, static_cast<std::uint32_t>(new_glyf.size()))
                   : Put16(new_loca, static_cast<std::uint16_t>(new_glyf.size() / 2));
  };
  for (std::size_t i = 0; i < count; ++i) {
    put_offset();
    const bool kept = keep.contains(static_cast<std::uint16_t>(i));
    const Metric m = kept ? g.metrics[i] : Metric{};
    Put16(new_hmtx, m.advance);
    Put16(new_hmtx, m.bearing);
    const std::size_t begin = g.offsets[i], end = g.offsets[i + 1];
    if (!kept || end == begin) continue;
    new_glyf.append(glyf, begin, end - begin);
    new_glyf.resize((new_glyf.size() + 3) / 4 * 4, '\0');
    if (end - begin < 10) continue;
    for (int k = 0; k < 4; ++k) {
      const auto v = static_cast<std::int16_t>(U16(glyf, begin + 2 + 2 * k));
      box[k] = !boxed ? v : k < 2 ? std::min(box[k], v) : std::max(box[k], v);
    }
    boxed = true;
  }
  put_offset();
  *Find(tables, "glyf") = new_glyf;
  *Find(tables, "loca") = new_loca;
  *Find(tables, "hmtx") = new_hmtx;
  // Every glyph has long metrics of its own now.
  Set16(*Find(tables, "hhea"), 34, static_cast<std::uint16_t>(count));
  Set16(*Find(tables, "maxp"), 4, static_cast<std::uint16_t>(count));
  for (int k = 0; k < 4; ++k) Set16(*Find(tables, "head"), 36 + 2 * k, static_cast<std::uint16_t>(box[k]));
}

}  // namespace

std::optional<std::string> TrimTrueType(const std::string& program, const std::bitset<256>& used) {
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
    if (used.test(code) && GlyphOfCode(*cmap, code) == 0) return std::nullopt;
  }
  const std::optional<std::vector<CmapSubtable>> subtables = CodesOnly(*cmap, used);
  if (!subtables) return std::nullopt;
  std::set<std::uint16_t> shown;
  for (const CmapSubtable& s : *subtables) {
    for (const auto& [key, glyph] : s.glyphs) shown.insert(glyph);
  }
  const std::set<std::uint16_t> keep = Needed(*Find(*tables, "glyf"), *g, shown);
  if (*keep.rbegin() >= g->count()) return std::nullopt;
  *Find(*tables, "cmap") = WriteCmap(*subtables);
  KeepGlyphs(*tables, *g, keep, *keep.rbegin() + 1u);
  // Glyph names (version 2) go: version 3 says there are none.
  if (std::string* post = Find(*tables, "post"); post && post->size() >= 32 && U32(*post, 0) == 0x00020000) {
    *post = post->substr(0, 32);
    Set16(*post, 0, 3);
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
