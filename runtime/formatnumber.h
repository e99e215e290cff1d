#pragma once
#include <cstdint>

#include "runtime/strings.h"

// Print form of x with `digits` significant digits (1 to 18): sign position,
// digits, one trailing blank. Needs the 64-bit significand of long double.
rtString formatNumber(long double x, int32_t digits);
// formatNumber with 7 digits, without the trailing blank and without the
// leading blank of a non-negative value.
rtString numberToText(long double x);
