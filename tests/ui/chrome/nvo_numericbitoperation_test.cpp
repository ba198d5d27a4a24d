// The bit operations' own value rules, and agreement with the native operators where they apply.
#include "ui/chrome/nvo_numericbitoperation.h"

#include <gtest/gtest.h>

#include <random>

#include "app/runtime_error.h"

namespace vexlo::ui {
namespace {

const nvo_numericbitoperation ops;

TEST(nvo_numericbitoperation, GetBit) {
  EXPECT_EQ(ops.of_getbit(5, 1), true);
  EXPECT_EQ(ops.of_getbit(5, 2), false);
  EXPECT_EQ(ops.of_getbit(5, 3), true);
  for (uint16_t k = 1; k <= 32; ++k) EXPECT_EQ(ops.of_getbit(-1, k), false) << k;
  EXPECT_EQ(ops.of_getbit(2147483647, 32), false);
  EXPECT_EQ(ops.of_getbit(2147483647, 31), true);
  EXPECT_EQ(ops.of_getbit(std::nullopt, 1), std::nullopt);
  EXPECT_EQ(ops.of_getbit(1, std::nullopt), std::nullopt);
}

TEST(nvo_numericbitoperation, GetBitOutsideOneToThirtyTwoDividesByZero) {
  for (uint16_t bad : {uint16_t{0}, uint16_t{33}, uint16_t{65535}}) {
    try {
      ops.of_getbit(5, bad);
      ADD_FAILURE() << bad;
    } catch (const app::RuntimeError& e) {
      EXPECT_EQ(e.number(), app::kErrDivideByZero);
    }
  }
}

TEST(nvo_numericbitoperation, BinaryAndDecimal) {
  EXPECT_EQ(ops.of_binary(0), "0");
  EXPECT_EQ(ops.of_binary(1), "1");
  EXPECT_EQ(ops.of_binary(5), "101");
  EXPECT_EQ(ops.of_binary(2147483647), std::string(31, '1'));
  EXPECT_EQ(ops.of_binary(-1), std::nullopt);
  EXPECT_EQ(ops.of_decimal(std::string()), std::nullopt);
  EXPECT_EQ(ops.of_decimal(std::nullopt), std::nullopt);
  EXPECT_EQ(ops.of_decimal("0010"), 2);
  EXPECT_EQ(ops.of_decimal("12"), -1);
  EXPECT_EQ(ops.of_decimal("1" + std::string(31, '0')), INT32_MIN);
  EXPECT_EQ(ops.of_decimal(std::string(32, '1')), -1);
  EXPECT_EQ(ops.of_decimal("1" + std::string(32, '0')), INT32_MIN);  // wraps modulo 2^32
  EXPECT_EQ(ops.of_decimal(std::string(32767, '0')), 0);
  EXPECT_THROW(ops.of_decimal(std::string(32768, '0')), app::RuntimeError);
}

TEST(nvo_numericbitoperation, TwoArgumentOperations) {
  EXPECT_EQ(ops.of_bitwiseor(0x204, 0x20), 0x224);
  EXPECT_EQ(ops.of_bitwiseand(12, 10), 8);
  EXPECT_EQ(ops.of_bitwiseand(-1, 255), 0);
  EXPECT_EQ(ops.of_bitwiseor(INT32_MIN, 5), 5);
  EXPECT_EQ(ops.of_bitwisexor(6, 3), 5);
  EXPECT_EQ(ops.of_bitwiseor(std::nullopt, 3), std::nullopt);
}

TEST(nvo_numericbitoperation, NotComplementsTheValuesOwnDigits) {
  EXPECT_EQ(ops.of_bitwisenot(0), 1);
  EXPECT_EQ(ops.of_bitwisenot(5), 2);
  EXPECT_EQ(ops.of_bitwisenot(-5), std::nullopt);
  EXPECT_EQ(ops.of_bitwisenot(0x80000), 0x7FFFF);
  EXPECT_EQ(ops.of_bitwisenot(0xC00000), 0x3FFFFF);
  EXPECT_EQ(ops.of_bitwisenot(2147483647), 0);
}

TEST(nvo_numericbitoperation, AgreesWithNativeOperatorsOnNonNegativeValues) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int32_t> any(0, INT32_MAX);
  for (int i = 0; i < 2000; ++i) {
    const int32_t a = any(rng) >> (i % 31), b = any(rng) >> (i % 29);
    ASSERT_EQ(ops.of_bitwiseand(a, b), a & b) << a << " " << b;
    ASSERT_EQ(ops.of_bitwiseor(a, b), a | b);
    ASSERT_EQ(ops.of_bitwisexor(a, b), a ^ b);
    ASSERT_EQ(ops.of_decimal(ops.of_binary(a)), a);
    const int bits = a == 0 ? 1 : 32 - __builtin_clz(static_cast<uint32_t>(a));
    ASSERT_EQ(ops.of_bitwisenot(a), static_cast<int32_t>((uint64_t{1} << bits) - 1 - a));
  }
}

}  // namespace
}  // namespace vexlo::ui
