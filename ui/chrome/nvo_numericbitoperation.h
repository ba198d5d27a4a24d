// nvo_numericbitoperation: bitwise AND, OR, XOR and NOT on 32-bit signed values, and conversion
// between a value and its text of binary digits, computed by division, remainders and powers of
// two rather than by the processor's bit instructions. That gives the operations value rules of
// their own, which the title-bar helper's style words follow:
//   - a negative argument reads as "no bit set", so it acts as 0 in AND, OR and XOR, and every
//     result lies between 0 and 2147483647;
//   - NOT complements only the digits of the value's own binary text (NOT 5 = 2, NOT 0 = 1) and
//     gives null for a negative value.
// Null (std::nullopt) in gives null out. No state; pure functions.
#ifndef VEXLO_UI_CHROME_NVO_NUMERICBITOPERATION_H_
#define VEXLO_UI_CHROME_NVO_NUMERICBITOPERATION_H_

#include <cstdint>
#include <optional>
#include <string>

namespace vexlo::ui {

class nvo_numericbitoperation {
 public:
  using Long = std::optional<int32_t>;

  // Is bit `ai_bit` (1 = least significant ... 32 = sign) of `al_decimal` set? Always false for a
  // negative value and for position 32.
  // REQUIRES: 1 <= ai_bit <= 32, otherwise raises the division-by-zero run-time error.
  std::optional<bool> of_getbit(Long al_decimal, std::optional<uint16_t> ai_bit) const;
  // The binary digits of a non-negative value, most significant first, no leading zeros
  // ("0" for 0). Null for a negative value.
  std::optional<std::string> of_binary(Long al_decimal) const;
  // The value of a text of binary digits: exact up to 31 digits, the 32-bit two's-complement
  // reading at 32, wrapping modulo 2^32 beyond. -1 for any character other than 0 and 1; null for
  // null or empty text. More than 32767 characters raise the array-bounds run-time error.
  Long of_decimal(const std::optional<std::string>& as_binary) const;

  Long of_bitwiseand(Long al_value1, Long al_value2) const;
  Long of_bitwiseor(Long al_value1, Long al_value2) const;
  Long of_bitwisexor(Long al_value1, Long al_value2) const;
  Long of_bitwisenot(Long al_value) const;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_NVO_NUMERICBITOPERATION_H_
