#pragma once
#include <cstdint>

#include "graphics/raster.h"

// The rounded rectangle of the box left..right-1 x top..bottom-1 (right and
// bottom exclusive, left <= right, top <= bottom) with corner ellipses of
// cornerWidth x cornerHeight pixels (at most the box; the whole box gives
// the inscribed ellipse): the interior with the brush, then the outline
// with the pen (one-pixel pens in their style, wider ones solid).
void rasterRoundRect(const pixelBuffer& buffer, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t cornerWidth, int32_t cornerHeight, const rasterPen& pen, const rasterBrush& brush);
