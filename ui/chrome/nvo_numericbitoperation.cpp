#include "ui/chrome/nvo_numericbitoperation.h"

#include <cmath>

#include "app/runtime_error.h"

namespace vexlo::ui {
namespace {

// 2^exponent computed in double precision and truncated to a 32-bit signed value: 2^31 and more
// do not fit and become 0x80000000, as the conversion of the original arithmetic does.
int32_t PowerAsLong(double exponent) {
  const double p = std::pow(2.0, exponent);
  if (p >= 2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(p);
}

// Sum with wrap-around modulo 2^32.
int32_t WrapAdd(int32_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

enum class Op { kAnd, kOr, kXor };

}  // namespace

std::optional<bool> nvo_numericbitoperation::of_getbit(Long al_decimal,
                                                       std::optional<uint16_t> ai_bit) const {
  if (!al_decimal || !ai_bit) return std::nullopt;
  const uint32_t exponent = static_cast<uint32_t>(*ai_bit) - 1u;  // 0 wraps to 4294967295
  const double power = std::pow(2.0, static_cast<double>(exponent));
  // Truncated to 64 bits (an out-of-range double gives 0 here), low 32 bits kept.
  const int64_t as64 = power < 9.2e18 ? static_cast<int64_t>(power) : 0;
  const uint32_t divisor = static_cast<uint32_t>(as64);
  if (divisor == 0) throw app::RuntimeError::DivideByZero();
  const double q = static_cast<double>(*al_decimal) / divisor;
  const double r = std::fmod(q, 2.0);  // truncated: sign of q, |r| < 2
  return std::floor(r) >= 1;
}

std::optional<std::string> nvo_numericbitoperation::of_binary(Long al_decimal) const {
  if (!al_decimal || *al_decimal < 0) return std::nullopt;
  int64_t value = *al_decimal;
  if (value == 0) return "0";
  std::string binary;
  while (value != 0) {
    const int remainder = static_cast<int>(value % 2);
    value = static_cast<int64_t>(value * 0.5);
    binary.insert(binary.begin(), static_cast<char>('0' + remainder));
  }
  return binary;
}

nvo_numericbitoperation::Long nvo_numericbitoperation::of_decimal(
    const std::optional<std::string>& as_binary) const {
  if (!as_binary || as_binary->empty()) return std::nullopt;
  const int64_t len = static_cast<int64_t>(as_binary->size());
  // The position counter is a 16-bit integer; it cannot reach past 32767.
  if (len > 32767) throw app::RuntimeError::ArrayBounds();
  int32_t decimal = 0;
  for (int64_t cnt = 1; cnt <= len; ++cnt) {
    const char c = (*as_binary)[cnt - 1];
    if (c != '0' && c != '1') return -1;
    const int32_t weight = PowerAsLong(static_cast<double>(len - cnt));
    decimal = WrapAdd(decimal, static_cast<int64_t>(c - '0') * weight);
  }
  return decimal;
}

namespace {

nvo_numericbitoperation::Long Combine(const nvo_numericbitoperation& ops,
                                      nvo_numericbitoperation::Long a,
                                      nvo_numericbitoperation::Long b, Op op) {
  if (!a || !b) return std::nullopt;
  bool bits1[33], bits2[33];
  for (uint16_t cnt = 1; cnt <= 32; ++cnt) {
    bits1[cnt] = *ops.of_getbit(a, cnt);
    bits2[cnt] = *ops.of_getbit(b, cnt);
  }
  int32_t result = 0;
  for (int cnt = 1; cnt <= 32; ++cnt) {
    const bool x = bits1[cnt], y = bits2[cnt];
    const bool set = op == Op::kAnd ? (x && y) : op == Op::kOr ? (x || y) : (x != y);
    if (set) result = WrapAdd(result, PowerAsLong(cnt - 1));
  }
  return result;
}

}  // namespace

nvo_numericbitoperation::Long nvo_numericbitoperation::of_bitwiseand(Long a, Long b) const {
  return Combine(*this, a, b, Op::kAnd);
}
nvo_numericbitoperation::Long nvo_numericbitoperation::of_bitwiseor(Long a, Long b) const {
  return Combine(*this, a, b, Op::kOr);
}
nvo_numericbitoperation::Long nvo_numericbitoperation::of_bitwisexor(Long a, Long b) const {
  return Combine(*this, a, b, Op::kXor);
}

nvo_numericbitoperation::Long nvo_numericbitoperation::of_bitwisenot(Long al_value) const {
  if (!al_value) return std::nullopt;
  const std::optional<std::string> digits = of_binary(al_value);
  std::string result;
  if (digits) {
    for (char c : *digits) result += (c == '0') ? '1' : '0';
  }
  if (result.empty()) return of_decimal(std::nullopt);
  return of_decimal(result);
}

}  // namespace vexlo::ui
