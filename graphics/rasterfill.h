#pragma once
#include <cstdint>

#include "graphics/raster.h"

// Pixels x0..x1 of row y with the brush; the caller has clipped them.
void rasterFillSpan(const pixelBuffer& buffer, int32_t y, int32_t x0, int32_t x1, const rasterBrush& brush);
// The whole buffer with the brush.
void rasterFillAll(const pixelBuffer& buffer, const rasterBrush& brush);
