#pragma once
#include <cstdint>

// Expressions are evaluated in extended precision (long double, the x87
// extended format) and rounded to a single float only where a value is stored.
using extended = long double;
inline float single(extended x) { return static_cast<float>(x); }

long double mathArcTan(long double x);
long double mathSin(long double x);
long double mathCos(long double x);
long double mathSqrt(long double x);  // a negative x is returned unchanged
long double mathPow(long double x, long double y);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Inline: a picture rounds three values per point.
inline int32_t roundToInt(long double x);
int32_t roundToIntAnyMode(long double x);  // the same for any x and rounding mode

inline int32_t roundToInt(long double x) {
  // The common case in one instruction. fistp rounds by the control word,
  // which programInit sets to nearest-even; under any other mode take the
  // slow path.
#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64
  if (x > -2147483648.5L && x < 2147483647.5L) {
    uint16_t control;
    __asm__("fnstcw %0" : "=m"(control));
    if ((control & 0x0C00) == 0) {
      long long rounded;
      __asm__("fistpll %0" : "=m"(rounded) : "t"(x) : "st");
      return static_cast<int32_t>(rounded);
    }
  }
#endif
  return roundToIntAnyMode(x);
}

// red + green * 256 + blue * 65536, each clamped to 0..255 first.
int32_t rgbColor(int32_t red, int32_t green, int32_t blue);
