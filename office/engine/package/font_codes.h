// The codes of a simple font that a document shows, each with the code it is to have in the
// trimmed font: as it was, or numbered afresh from 1 in their order so that nothing tells how
// many other codes the font had.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_FONT_CODES_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_FONT_CODES_H_

#include <array>
#include <bitset>

namespace vexlo::engine {

// Code c becomes codes[c]; -1: not shown (it goes).
using FontCodes = std::array<int, 256>;

inline FontCodes KeepCodes(const std::bitset<256>& used) {
  FontCodes codes;
  for (int c = 0; c < 256; ++c) codes[c] = used.test(static_cast<std::size_t>(c)) ? c : -1;
  return codes;
}

// 0 stays first when shown: the office leaves it to .notdef, a font that shows it keeps it.
inline FontCodes NumberCodes(const std::bitset<256>& used) {
  FontCodes codes;
  int next = used.test(0) ? 0 : 1;
  for (int c = 0; c < 256; ++c) codes[c] = used.test(static_cast<std::size_t>(c)) ? next++ : -1;
  return codes;
}

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_FONT_CODES_H_
