// Type 1 programs trimmed to the codes a document shows: encoding entries, glyphs and the glyph
// dictionary's declared size.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>

#include "office/engine/package/type1_font.h"
#include "tests/engine/package/test_fonts.h"

namespace vexlo::engine {
namespace {

std::bitset<256> Shown(int code) {
  std::bitset<256> used;
  used.set(static_cast<std::size_t>(code));
  return used;
}

TEST(Type1FontTest, ProgramsKeepOnlyTheGlyphsShownAndBrokenOnesAreRefused) {
  std::size_t clear = 0, encrypted = 0;
  const std::string program = test::TestType1(&clear, &encrypted);
  const Type1Lengths lengths{clear, encrypted};
  const std::optional<Type1Contents> whole = ReadType1(program, lengths);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->glyphs, (std::vector<std::string>{".notdef", "cid100", "cid200"}));
  EXPECT_EQ(whole->declared_glyphs, 3);
  struct Case {
    FontCodes codes;
    std::string glyph;  // the one glyph kept, under code 1
    std::string gone;
  };
  // The first glyph under its code; the second numbered afresh.
  for (const Case& c :
       {Case{KeepCodes(Shown(1)), "cid100", "cid200"}, Case{NumberCodes(Shown(2)), "cid200", "cid100"}}) {
    Type1Lengths kept;
    const std::optional<std::string> trimmed = TrimType1(program, lengths, c.codes, &kept);
    ASSERT_TRUE(trimmed);
    const std::optional<Type1Contents> part = ReadType1(*trimmed, kept);
    ASSERT_TRUE(part);
    EXPECT_EQ(part->glyphs, (std::vector<std::string>{".notdef", c.glyph}));
    EXPECT_EQ(part->encoding, (std::map<int, std::string>{{1, c.glyph}}));
    // The dictionary does not tell how many glyphs there were.
    EXPECT_EQ(part->declared_glyphs, 2);
    EXPECT_EQ(trimmed->substr(0, kept.clear).find(c.gone), std::string::npos);
    EXPECT_EQ(trimmed->substr(kept.clear + kept.encrypted), program.substr(clear + encrypted));
  }
  // Read once and trimmed for several documents in turn, as a split does: each trim is the one
  // of the program alone, whatever was trimmed before, and outlives the program's bytes.
  std::optional<Type1Program> read;
  {
    const std::string copy = program;
    read = Type1Program::Read(copy, lengths);
  }
  ASSERT_TRUE(read);
  std::bitset<256> both = Shown(1) | Shown(2);
  for (const FontCodes& codes : {KeepCodes(Shown(2)), NumberCodes(both), KeepCodes(Shown(1)), KeepCodes(Shown(2))}) {
    Type1Lengths kept;
    const Type1Program::Parts parts = read->Trim(codes);
    EXPECT_EQ(parts.clear + parts.encrypted + std::string(parts.trailer), TrimType1(program, lengths, codes, &kept));
    EXPECT_EQ(parts.clear.size(), kept.clear);
  }
  // Cut short anywhere: refused or read, never past its end.
  for (std::size_t n = 0; n < program.size(); ++n) {
    const std::string cut = program.substr(0, n);
    const Type1Lengths cut_lengths{std::min(clear, n), n > clear ? n - clear : 0};
    Type1Lengths kept;
    EXPECT_NO_THROW(TrimType1(cut, cut_lengths, KeepCodes(Shown(1)), &kept)) << n;
    EXPECT_NO_THROW(ReadType1(cut, cut_lengths)) << n;
  }
}

}  // namespace
}  // namespace vexlo::engine
