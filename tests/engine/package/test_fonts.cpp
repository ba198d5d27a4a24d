#include "tests/engine/package/test_fonts.h"

#include <algorithm>
#include <cstdint>

#include "office/engine/package/truetype_tables.h"

namespace vexlo::engine::test {

namespace {

using truetype::Put16;
using truetype::Put32;

std::string Box(int x_min, int y_min, int x_max, int y_max) {
  std::string s;
  for (int v : {x_min, y_min, x_max, y_max}) Put16(s, static_cast<std::uint16_t>(v));
  return s;
}

// One contour of a single point.
std::string SimpleGlyph(int x_min, int y_min, int x_max, int y_max) {
  std::string g;
  Put16(g, 1);
  g += Box(x_min, y_min, x_max, y_max);
  Put16(g, 0);  // the contour's last point
  Put16(g, 0);  // no instructions
  g += '\x01';  // on the curve, coordinates as words
  Put16(g, static_cast<std::uint16_t>(x_min));
  Put16(g, static_cast<std::uint16_t>(y_min));
  return g;
}

std::string CompositeGlyph(std::uint16_t component, int y_max) {
  std::string g;
  Put16(g, static_cast<std::uint16_t>(-1));
  g += Box(10, 0, 600, y_max);
  Put16(g, 0x0001);  // arguments as words, no more components
  Put16(g, component);
  Put32(g, 0);
  return g;
}

std::string Cmap(bool symbol_map) {
  std::string format0;
  Put16(format0, 0);
  Put16(format0, 262);
  Put16(format0, 0);
  std::string bytes(256, '\0');
  for (int c = 1; c <= 4; ++c) bytes[c] = static_cast<char>(c);
  format0 += bytes;
  std::string format4;  // F001-F004 to glyphs 1-4, then the closing segment
  for (int v : {4, 32, 0, 4, 4, 1, 0, 0xF004, 0xFFFF, 0, 0xF001, 0xFFFF,
                (1 - 0xF001) & 0xFFFF, 1, 0, 0}) {
    Put16(format4, static_cast<std::uint16_t>(v));
  }
  std::string cmap;
  Put16(cmap, 0);
  Put16(cmap, symbol_map ? 2 : 1);
  const std::uint32_t first = symbol_map ? 20 : 12;
  Put16(cmap, 1), Put16(cmap, 0), Put32(cmap, first);
  if (symbol_map) Put16(cmap, 3), Put16(cmap, 0), Put32(cmap, first + 262);
  return cmap + format0 + (symbol_map ? format4 : "");
}

}  // namespace

std::string TestTrueType(bool symbol_map, const std::vector<std::string>& extra_tables) {
  const std::vector<std::string> glyphs = {SimpleGlyph(0, 0, 500, 700), SimpleGlyph(10, 0, 600, 700),
                                           CompositeGlyph(1, 900), SimpleGlyph(-50, -200, 800, 1000),
                                           SimpleGlyph(20, 0, 400, 500)};
  std::string glyf, loca;
  for (const std::string& g : glyphs) {
    Put32(loca, static_cast<std::uint32_t>(glyf.size()));
    glyf += g;
    glyf.resize((glyf.size() + 3) / 4 * 4, '\0');
  }
  Put32(loca, static_cast<std::uint32_t>(glyf.size()));
  std::string head(54, '\0');
  head[0] = 0, head[1] = 1;
  truetype::Set16(head, 18, 2048);
  truetype::Set16(head, 50, 1);  // long offsets
  std::string hhea(36, '\0');
  hhea[1] = 1;
  truetype::Set16(hhea, 34, 3);
  std::string maxp(32, '\0');
  maxp[1] = 1;
  truetype::Set16(maxp, 4, static_cast<std::uint16_t>(glyphs.size()));
  std::string hmtx;
  for (int v : {500, 0, 610, 10, 620, 10, -50, 20}) Put16(hmtx, static_cast<std::uint16_t>(v));
  std::string post(32, '\0');
  post[1] = 2;  // version 2 (glyph names), without the names: nothing reads them here
  std::vector<truetype::Table> tables = {{"cmap", Cmap(symbol_map)}, {"glyf", glyf}, {"head", head},
                                         {"hhea", hhea}, {"hmtx", hmtx}, {"loca", loca},
                                         {"maxp", maxp}, {"post", post}};
  for (const std::string& tag : extra_tables) tables.push_back({tag, std::string(8, '\0')});
  std::sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
  std::string header;
  Put32(header, 0x00010000);
  Put16(header, static_cast<std::uint16_t>(tables.size()));
  header += std::string(6, '\0');
  return truetype::WriteTables(header, tables);
}

std::string TestType1(std::size_t* clear_length, std::size_t* encrypted_length) {
  const std::string clear =
      "%!FontType1-1.0: T 001\n/Encoding 256 array\n0 1 255 {1 index exch /.notdef put} for\n"
      "dup 1 /cid100 put\ndup 2 /cid200 put\nreadonly def\ncurrentdict end\ncurrentfile eexec\n";
  const std::string plain =
      "xxxxdup /Private 8 dict dup begin\n/RD{string currentfile exch readstring pop}executeonly def\n"
      "2 index /CharStrings 3 dict dup begin\n/.notdef 4 RD abcd ND\n/cid100 3 RD efg ND\n"
      "/cid200 5 RD hijkl ND\nend\nend\nmark currentfile closefile\n";
  std::string encrypted;
  unsigned r = 55665;
  for (unsigned char p : plain) {
    const auto c = static_cast<unsigned char>(p ^ (r >> 8));
    encrypted += static_cast<char>(c);
    r = ((c + r) * 52845u + 22719u) & 0xFFFFu;
  }
  *clear_length = clear.size();
  *encrypted_length = encrypted.size();
  return clear + encrypted + std::string(64, '0') + "cleartomark\n";
}

}  // namespace vexlo::engine::test
