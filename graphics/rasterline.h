#pragma once
#include <cstdint>

#include "graphics/raster.h"

// A line from `from` to `to`. One-pixel lines take the first pixel and not
// the last. Wider ones cover every pixel within width/2 of the segment, so
// their ends and joins are round; an even width is centred half a pixel up
// and left, so that it covers exactly its width across.
void rasterLine(const pixelBuffer& buffer, pixelPoint from, pixelPoint to, const rasterPen& pen);

// Whether step `step` along a one-pixel path of the styled pen is ink (else
// a gap).
bool penDashOn(uint32_t style, int64_t step);
