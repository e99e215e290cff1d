#pragma once
#include <cstdint>

// A point of the curve seen through the current view.
struct projectedPoint {
  float h, d, v;  // horizontal, depth (larger is farther), vertical
  float p;        // perspective factor, s at depth 0
  float x, y;     // user coordinates in the graphics window
};

// Rewrites viewMatrix from viewRadA and viewRadB.
void buildViewMatrix();
// Brings an angle back into -179..180 with one correction.
void wrapAngle(int32_t& angle);
// degrees * degToRad, as the single float the view keeps.
float radiansOf(int32_t degrees);
void turnViewA(int32_t delta);
void turnViewB(int32_t delta);
// 2^(level - 2): the picture doubles in size from level to level.
float levelScale();
projectedPoint projectPoint(int32_t i, float s);
