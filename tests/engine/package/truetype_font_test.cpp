// TrueType programs trimmed to the codes a document shows: other glyph slots empty and without
// width, the map leading only the shown codes, the program ending with the last glyph kept; and
// programs that could keep something of the others refused.
#include <gtest/gtest.h>

#include <bitset>

#include "office/engine/package/truetype_font.h"
#include "office/engine/package/truetype_tables.h"
#include "tests/engine/package/test_fonts.h"

namespace vexlo::engine {
namespace {

std::bitset<256> Shown(std::initializer_list<int> codes) {
  std::bitset<256> used;
  for (int c : codes) used.set(static_cast<std::size_t>(c));
  return used;
}

FontCodes Codes(std::initializer_list<int> codes) { return KeepCodes(Shown(codes)); }

// The whole program sums to the font checksum constant, as readers check it.
void ExpectChecksummed(const std::string& program) {
  std::string padded = program;
  padded.resize((padded.size() + 3) / 4 * 4, '\0');
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < padded.size(); at += 4) sum += truetype::U32(padded, at);
  EXPECT_EQ(sum, 0xB1B0AFBAu);
}

TEST(TrueTypeFontTest, OnlyTheShownGlyphsAndTheirPartsKeepOutlinesAndWidths) {
  for (const bool symbol_map : {false, true}) {
    SCOPED_TRACE(symbol_map ? "with a (3,0) map" : "a (1,0) map alone");
    const std::string program = test::TestTrueType(symbol_map);
    // The composite glyph brings the glyph it is made of; the program ends there.
    const std::optional<std::string> composite = TrimTrueType(program, Codes({2}));
    ASSERT_TRUE(composite);
    std::optional<TrueTypeContents> c = ReadTrueType(*composite);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->outlined, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(c->advances, (std::vector<int>{500, 610, 620}));
    EXPECT_EQ(c->codes, (std::map<std::uint32_t, std::uint16_t>{{2, 2}}));
    ExpectChecksummed(*composite);

    // Slots between the glyphs shown are empty and have no width; the last keeps its bearing's
    // shared advance.
    const std::optional<std::string> apart = TrimTrueType(program, Codes({4}));
    ASSERT_TRUE(apart);
    c = ReadTrueType(*apart);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->outlined, (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(c->advances, (std::vector<int>{500, 0, 0, 0, 620}));
    EXPECT_EQ(c->codes, (std::map<std::uint32_t, std::uint16_t>{{4, 4}}));
    ExpectChecksummed(*apart);
    // The box around all outlines is that of the glyphs kept, not of glyph 3's larger one.
    const auto tables = truetype::ReadTables(*apart);
    ASSERT_TRUE(tables);
    const std::string& head = *truetype::Find(*tables, "head");
    EXPECT_EQ(static_cast<std::int16_t>(truetype::U16(head, 36)), 0);
    EXPECT_EQ(static_cast<std::int16_t>(truetype::U16(head, 38)), 0);
    EXPECT_EQ(static_cast<std::int16_t>(truetype::U16(head, 40)), 500);
    EXPECT_EQ(static_cast<std::int16_t>(truetype::U16(head, 42)), 700);
    EXPECT_EQ(truetype::U32(*truetype::Find(*tables, "post"), 0), 0x00030000u);

    // Nothing shown: .notdef alone.
    c = ReadTrueType(*TrimTrueType(program, Codes({})));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->outlined, (std::vector<bool>{true}));
    EXPECT_TRUE(c->codes.empty());
  }
}

// Numbered afresh, the glyphs shown take their codes' new numbers and leave no empty slots; the
// glyph a composite one is made of comes after them, and the composite names its new number.
TEST(TrueTypeFontTest, GlyphsNumberedAfreshFollowTheirCodes) {
  for (const bool symbol_map : {false, true}) {
    SCOPED_TRACE(symbol_map ? "with a (3,0) map" : "a (1,0) map alone");
    const std::optional<std::string> trimmed = TrimTrueType(test::TestTrueType(symbol_map), NumberCodes(Shown({2, 4})));
    ASSERT_TRUE(trimmed);
    const std::optional<TrueTypeContents> c = ReadTrueType(*trimmed);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->codes, (std::map<std::uint32_t, std::uint16_t>{{1, 1}, {2, 2}}));
    EXPECT_EQ(c->outlined, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(c->advances, (std::vector<int>{500, 620, 620, 610}));
    EXPECT_EQ(c->needed, (std::set<std::uint16_t>{0, 1, 2, 3}));
    ExpectChecksummed(*trimmed);
  }
}

TEST(TrueTypeFontTest, ProgramsThatCouldKeepOtherGlyphsAreRefused) {
  // Tables that number glyphs or describe them, which the trimming does not rewrite.
  for (const char* tag : {"kern", "hdmx", "GSUB", "OS/2"}) {
    EXPECT_FALSE(TrimTrueType(test::TestTrueType(false, {tag}), Codes({1}))) << tag;
  }
  // A table twice: which one a reader takes is not known (and the second head is too short).
  EXPECT_FALSE(TrimTrueType(test::TestTrueType(false, {"head"}), Codes({1})));
  // A shown code the map leads nowhere.
  EXPECT_FALSE(TrimTrueType(test::TestTrueType(), Codes({1, 9})));
  // Cut short anywhere: refused or read, never past its end.
  const std::string program = test::TestTrueType(true);
  for (std::size_t n = 0; n + 1 < program.size(); ++n) {
    EXPECT_NO_THROW(TrimTrueType(program.substr(0, n), Codes({2, 3}))) << n;
    EXPECT_NO_THROW(ReadTrueType(program.substr(0, n))) << n;
  }
}

}  // namespace
}  // namespace vexlo::engine
