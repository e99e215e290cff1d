#include <gtest/gtest.h>

#include <cfenv>
#include <chrono>
#include <cmath>
#include <limits>

#include "runtime/maths.h"
#include "runtime/timing.h"

namespace {

constexpr long double PI = 3.141592653589793238462643383279502884L;

TEST(Maths, ArcTanOfOneGivesTheDegreeFactor) {
  EXPECT_NEAR(mathArcTan(1), PI / 4, 1e-18L);
  const float degToRad = static_cast<float>(mathArcTan(1) / 45);
  EXPECT_EQ(degToRad, static_cast<float>(PI / 180));
  EXPECT_NEAR(degToRad, 0.017453292f, 1e-9f);
  EXPECT_NEAR(mathArcTan(-1e30L), -PI / 2, 1e-18L);
}

TEST(Maths, SineAndCosine) {
  EXPECT_NEAR(mathSin(PI / 6), 0.5L, 1e-18L);
  EXPECT_NEAR(mathCos(PI / 3), 0.5L, 1e-18L);
  EXPECT_NEAR(mathSin(5 * PI / 2), 1.0L, 1e-18L);
  EXPECT_NEAR(mathCos(-3 * PI), -1.0L, 1e-18L);
}

TEST(Maths, SqrtReturnsNegativesUnchanged) {
  EXPECT_EQ(mathSqrt(-4), -4);
  EXPECT_EQ(mathSqrt(0), 0);
  EXPECT_EQ(mathSqrt(16), 4);
  EXPECT_EQ(mathSqrt(2), std::sqrt(2.0L));
}

TEST(Maths, PowExamples) {
  EXPECT_EQ(mathPow(2, -1), 0.5L);
  EXPECT_EQ(mathPow(2, 0), 1);
  EXPECT_EQ(mathPow(2, 3), 8);
  EXPECT_EQ(mathPow(-2, 3), -8);
  EXPECT_EQ(mathPow(-2, 2.6L), -8);  // exponent rounded to 3
  EXPECT_EQ(mathPow(-2, 2.5L), 4);   // halves to even
  EXPECT_EQ(mathPow(0, 0), 1);
  EXPECT_EQ(mathPow(0, 3), 0);
  EXPECT_TRUE(std::isnan(mathPow(0, -1)));
  EXPECT_EQ(mathPow(std::numeric_limits<long double>::quiet_NaN(), 0), 1);
}

TEST(Maths, PowIntegerExponentsMultiplyExactly) {
  // 3^40 needs all 64 significand bits.
  EXPECT_EQ(mathPow(3, 40), 12157665459056928801.0L);
  EXPECT_EQ(mathPow(2, -16), 1.0L / 65536);
  EXPECT_EQ(mathPow(-3, 5), -243);
  EXPECT_EQ(mathPow(-0.5L, -3), -8);
  EXPECT_EQ(mathPow(10, 18), 1e18L);
  EXPECT_EQ(mathPow(1.5L, 65535), std::numeric_limits<long double>::infinity());
}

TEST(Maths, PowFractionalAndLargeExponents) {
  EXPECT_NEAR(mathPow(2, 0.5L), std::sqrt(2.0L), 1e-18L);
  EXPECT_NEAR(mathPow(10, -2.5L), 0.0031622776601683793320L, 1e-21L);
  EXPECT_NEAR(mathPow(8, 1.0L / 3), 2.0L, 1e-18L);
  EXPECT_NEAR(mathPow(2, 10.5L), 1448.1546878700492L, 1e-12L);
  EXPECT_EQ(mathPow(2, 70000), std::numeric_limits<long double>::infinity());
  EXPECT_EQ(mathPow(0.5L, 70000), 0);
  // Through 2^t into the subnormal range; an integer exponent this large
  // overflows in the squarings instead and gives 0.
  const long double tiny = mathPow(2, -16400.5L);
  EXPECT_GT(tiny, 0);
  EXPECT_NEAR(tiny / std::ldexp(1.0L, -16400), std::sqrt(0.5L), 1e-3L);
  EXPECT_EQ(mathPow(2, -16400), 0);

  // |y| >= 65536 with a negative base: the sign follows the parity of y.
  const long double odd = mathPow(-1.0001L, 65537);
  const long double even = mathPow(-1.0001L, 65538);
  EXPECT_LT(odd, 0);
  EXPECT_GT(even, 0);
  EXPECT_NEAR(-odd, std::pow(1.0001L, 65537.0L), 1e-12L);
  EXPECT_NEAR(even, std::pow(1.0001L, 65538.0L), 1e-12L);
  EXPECT_NEAR(mathPow(-1.0001L, 65537.4L), odd, 1e-12L);

  EXPECT_TRUE(std::isnan(mathPow(std::numeric_limits<long double>::quiet_NaN(), 0.5L)));
  EXPECT_EQ(mathPow(std::numeric_limits<long double>::infinity(), 0.5L), std::numeric_limits<long double>::infinity());
  EXPECT_EQ(mathPow(std::numeric_limits<long double>::infinity(), -0.5L), 0);
}

TEST(Maths, RoundToIntHalvesToEven) {
  EXPECT_EQ(roundToInt(2.5L), 2);
  EXPECT_EQ(roundToInt(3.5L), 4);
  EXPECT_EQ(roundToInt(-2.5L), -2);
  EXPECT_EQ(roundToInt(-3.5L), -4);
  EXPECT_EQ(roundToInt(-0.5L), 0);
  EXPECT_EQ(roundToInt(200.0L / 3), 67);
  EXPECT_EQ(roundToInt(0.49999999999999999L), 0);
  EXPECT_EQ(roundToInt(2147483647.4L), 2147483647);
  EXPECT_EQ(roundToInt(-2147483648.4L), -2147483647 - 1);
  // Out of range and NaN give the FPU's invalid-conversion integer.
  EXPECT_EQ(roundToInt(1e20L), INT32_MIN);
  EXPECT_EQ(roundToInt(2147483647.5L), INT32_MIN);
  EXPECT_EQ(roundToInt(std::numeric_limits<long double>::quiet_NaN()), INT32_MIN);
  EXPECT_EQ(roundToInt(-std::numeric_limits<long double>::infinity()), INT32_MIN);
}

TEST(Maths, RoundToIntIgnoresTheRoundingMode) {
  const int saved = std::fegetround();
  std::fesetround(FE_UPWARD);
  const int up = roundToInt(2.5L);
  const int third = roundToInt(200.0L / 3);
  std::fesetround(FE_DOWNWARD);
  const int down = roundToInt(3.5L);
  std::fesetround(saved);
  EXPECT_EQ(up, 2);
  EXPECT_EQ(third, 67);
  EXPECT_EQ(down, 4);
}

TEST(Maths, RgbColor) {
  EXPECT_EQ(rgbColor(212, 208, 200), 13160660);
  EXPECT_EQ(rgbColor(212, 208, 200), 0xC8D0D4);
  EXPECT_EQ(rgbColor(-5, 300, 0), 65280);
  EXPECT_EQ(rgbColor(255, 0, 0), 255);
  EXPECT_EQ(rgbColor(INT32_MIN, INT32_MAX, 256), 0xFFFF00);
}

TEST(Timing, SleepWaitsAtLeastTheGivenTime) {
  const auto start = std::chrono::steady_clock::now();
  sleepMs(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Timing, ZeroAndNegativeSleepsReturn) {
  // A negative count must not turn into a huge wait.
  const auto start = std::chrono::steady_clock::now();
  sleepMs(0);
  sleepMs(-100);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
