#include "runtime/maths.h"

#include <cfloat>
#include <cmath>
#include <limits>

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
#define H3D_X87 1
#else
#define H3D_X87 0
#endif

namespace {

// x rounded to the nearest integer, halves to even, whatever the current
// rounding mode is.
long double nearestEven(long double x) {
  long double down = std::floor(x);
  long double fraction = x - down;  // exact for every finite x
  if (fraction > 0.5L) return down + 1.0L;
  if (fraction < 0.5L) return down;
  return std::fmod(down, 2.0L) == 0.0L ? down : down + 1.0L;
}

bool isInteger(long double y) { return std::isfinite(y) && std::floor(y) == y; }

// 2^t: the integer part of t goes into the binary exponent, the fraction
// (|f| <= 1/2) through 2^f - 1.
long double powerOfTwo(long double t) {
  if (std::isnan(t)) return t;
  if (std::isinf(t)) return t > 0 ? t : 0.0L;
#if H3D_X87
  long double whole, fraction, result;
  __asm__("frndint" : "=t"(whole) : "0"(t));
  fraction = t - whole;
  __asm__("f2xm1" : "=t"(result) : "0"(fraction));
  result += 1.0L;
  __asm__("fscale" : "=t"(result) : "0"(result), "u"(whole));
  return result;
#else
  long double whole = nearestEven(t);
  long double scaled = std::exp2(t - whole);
  // Beyond these the result is 0 or infinity anyway; the clamp keeps the
  // conversion to int defined.
  long double clamped = std::fmax(std::fmin(whole, 40000.0L), -40000.0L);
  return std::scalbn(scaled, static_cast<int>(clamped));
#endif
}

// y * log2(x) for x > 0.
long double timesLog2(long double y, long double x) {
#if H3D_X87
  long double result;
  __asm__("fyl2x" : "=t"(result) : "0"(x), "u"(y) : "st(1)");
  return result;
#else
  return y * std::log2(x);
#endif
}

}  // namespace

long double mathArcTan(long double x) { return std::atan(x); }
long double mathSin(long double x) { return std::sin(x); }
long double mathCos(long double x) { return std::cos(x); }

long double mathSqrt(long double x) { return x < 0 ? x : std::sqrt(x); }

long double mathPow(long double x, long double y) {
  if (x < 0) y = nearestEven(y);
  if (y == 0) return 1.0L;
  if (x == 0) {
    if (y > 0) return 0.0L;
    if (y < 0) return std::numeric_limits<long double>::quiet_NaN();
  }
  if (isInteger(y)) {
    long double magnitude = std::fabs(y);
    if (magnitude < 65536.0L) {
      auto n = static_cast<uint32_t>(magnitude);
      int top = 31;
      while ((n >> top) == 0) --top;
      long double r = x;
      for (int bit = top - 1; bit >= 0; --bit) {
        r *= r;
        if ((n >> bit) & 1u) r *= x;
      }
      return y < 0 ? 1.0L / r : r;
    }
    if (x < 0) {
      long double r = powerOfTwo(timesLog2(y, -x));
      bool odd = std::fmod(y, 2.0L) != 0.0L;
      return odd ? -r : r;
    }
  }
  return powerOfTwo(timesLog2(y, x));
}

int32_t roundToIntAnyMode(long double x) {
  long double r = nearestEven(x);
  // Out of range or not a number: the integer the FPU gives for an invalid
  // conversion with the exception masked.
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

int32_t rgbColor(int32_t red, int32_t green, int32_t blue) {
  auto clamp = [](int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  return clamp(red) + clamp(green) * 256 + clamp(blue) * 65536;
}
