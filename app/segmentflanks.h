#pragma once
#include "runtime/maths.h"

// The two flank lines beside each segment of a level picture, drawn in the
// face colour so that they cut a gap into the segments behind it. They run
// FLANK_OFFSET user units beside the segment and stop FLANK_INSET times that
// short of its ends, so the joints with the neighbours stay whole.
inline constexpr extended FLANK_OFFSET = 3;
inline constexpr extended FLANK_INSET = 2.35L;

// The offsets of a segment's flank lines: nx, ny across it, ex, ey along it.
// A flank runs from (x1 + nx + ex, y1 + ny + ey) to (x2 + nx - ex, y2 + ny - ey),
// the other with -nx, -ny.
struct flankOffsets {
  float nx, ny, ex, ey;
};

// For the segment's extent (dx, dy) = start - end and its length len.
inline flankOffsets flanksOf(extended dx, extended dy, extended len) {
  const float nx = single(-dy * FLANK_OFFSET / len), ny = single(FLANK_OFFSET * dx / len);
  return {nx, ny, single(-ny * FLANK_INSET), single(nx * FLANK_INSET)};
}

inline float lengthOf(extended dx, extended dy) { return single(mathSqrt(dx * dx + dy * dy)); }
