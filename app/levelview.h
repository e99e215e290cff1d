#pragma once
#include <cstdint>

#include "runtime/arrays.h"
#include "runtime/strings.h"

// The segments of one level picture: segment k runs from point k - 1 to
// point k (segment 1 from point 1 to itself), in integer user coordinates,
// with its depth key and its place in the drawing order.
struct levelPicture {
  dynArray segStartX, segStartY, segEndX, segEndY, depthKey, drawOrder;

  levelPicture();  // index range 0..pointCount, zero-filled
  ~levelPicture();
  // False when memory was short for any of the arrays.
  bool whole() const;
  levelPicture(const levelPicture&) = delete;
  levelPicture& operator=(const levelPicture&) = delete;
};

// Projects every point at scale s, sorts the segments far to near, draws
// them with their flank lines and the two end discs into the back buffer and
// redraws once. Other keys arriving meanwhile are dropped; an Enter or Esc is
// returned (the picture is still finished first), else the empty string.
rtString drawLevelPicture(levelPicture& picture, float s);

// Shows the current level and lets the arrow keys turn it: 0 on Enter, 1 on
// Esc, -1 at once when there is no memory for the picture.
int32_t showLevel();
