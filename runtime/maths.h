#pragma once
#include <cstdint>

// Expressions are evaluated in extended precision (long double, the x87
// extended format) and rounded to a single float only where a value is stored.
using extended = long double;
inline float single(extended x) { return static_cast<float>(x); }
// The rounding error of s = a + b in double precision (Knuth's two-sum):
// zero exactly when the double sum is exact.
inline double twoSumError(double a, double b, double s) {
  const double bPart = s - a;
  return (a - (s - bPart)) + (b - bPart);
}

long double mathArcTan(long double x);
long double mathSin(long double x);
long double mathCos(long double x);
long double mathSqrt(long double x);  // a negative x is returned unchanged
long double mathPow(long double x, long double y);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int32_t roundToInt(long double x);

// red + green * 256 + blue * 65536, each clamped to 0..255 first.
int32_t rgbColor(int32_t red, int32_t green, int32_t blue);
