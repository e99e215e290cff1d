#pragma once
#include <cstdint>

#include "runtime/arrays.h"

// The demo's state: one global set, all zero until programMain gives each
// field its first value.

// View (turned by the arrow keys).
extern int32_t viewAngleA;  // elevation above the curve's XY plane, degrees
extern int32_t viewAngleB;  // turn about the curve's Z axis, degrees
extern float degToRad;
extern float viewRadA;
extern float viewRadB;
// Rows: horizontal [0..1] (no Z weight), depth [2..4], vertical [5..7].
extern float viewMatrix[8];

// Curve.
extern int32_t level;       // 0..maxLevel; 6 only on the way out
extern int32_t pointCount;  // 8^level
inline constexpr int32_t maxLevel = 5;
extern float octantOffset;
// Points at indices 1..pointCount; element 0 is never used.
extern dynArray pointX, pointY, pointZ;
// The previous level divided by 4, while the next one is built.
extern dynArray scaledX, scaledY, scaledZ;
