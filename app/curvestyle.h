#pragma once
#include <cstdint>

#include "graphics/drawing.h"

inline constexpr int32_t curveColor = 255;  // pure red

// The solid red disc that marks an end of the curve at user point (x, y).
inline void drawMarker(float x, float y) {
  graphicBox(x - 5, y - 5, x + 6, y + 6, CORNER_ELLIPSE, curveColor, curveColor, 0);
}
