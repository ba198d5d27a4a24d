// Fuzzes the font trimming of cut PDFs: the first byte picks TrueType, Type 1 or a character map
// (an input under 36 bytes is one too), the next
// 32 are the codes shown (a bit each), the one after says whether they are numbered afresh (and,
// for Type 1, the two after that how long the clear part is); the rest is the program. A trimmed
// program is read back.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>

#include "office/engine/package/pdf_unicode_map.h"
#include "office/engine/package/truetype_font.h"
#include "office/engine/package/type1_font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vexlo::engine;
  if (size < 36 || (data[0] & 2)) {
    if (const auto map = ReadUnicodeMap(std::string(reinterpret_cast<const char*>(data), size))) {
      (void)ReadUnicodeMap(WriteUnicodeMap(*map));
    }
    return 0;
  }
  std::bitset<256> used;
  for (std::size_t i = 0; i < 256; ++i) used[i] = (data[1 + i / 8] >> (i % 8)) & 1;
  const FontCodes codes = (data[33] & 1) ? NumberCodes(used) : KeepCodes(used);
  if (data[0] & 1) {
    const std::string program(reinterpret_cast<const char*>(data) + 36, size - 36);
    const std::size_t clear = (std::size_t{data[34]} << 8 | data[35]) % (program.size() + 1);
    const Type1Lengths lengths{clear, program.size() - clear};
    Type1Lengths kept;
    (void)ReadType1(program, lengths);
    if (const std::optional<std::string> trimmed = TrimType1(program, lengths, codes, &kept)) {
      (void)ReadType1(*trimmed, kept);
    }
  } else {
    const std::string program(reinterpret_cast<const char*>(data) + 34, size - 34);
    (void)ReadTrueType(program);
    if (const std::optional<std::string> trimmed = TrimTrueType(program, codes)) (void)ReadTrueType(*trimmed);
  }
  return 0;
}
