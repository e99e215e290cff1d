#include "app/view.h"

#include "app/state.h"
#include "runtime/maths.h"

namespace {

constexpr extended PERSPECTIVE_DISTANCE = 5000;

}  // namespace

void buildViewMatrix() {
  const extended cA = single(mathCos(viewRadA)), sA = single(mathSin(viewRadA));
  const extended cB = single(mathCos(viewRadB)), sB = single(mathSin(viewRadB));
  // A turn by B about Z, then a tilt by A about the screen's horizontal axis.
  const extended matrix[8] = {
      cB,      -sB,                  // horizontal
      cA * sB, cA * cB,  -sA,        // depth
      sA * sB, sA * cB,  cA,         // vertical
  };
  for (int k = 0; k < 8; ++k) viewMatrix[k] = single(matrix[k]);
}

void wrapAngle(int32_t& angle) {
  if (angle > 180)
    angle -= 360;
  else if (angle <= -180)
    angle += 360;
}

float radiansOf(int32_t degrees) {
  const extended perDegree = degToRad;
  return single(perDegree * degrees);
}

void turnViewA(int32_t delta) {
  viewAngleA += delta;
  wrapAngle(viewAngleA);
  viewRadA = radiansOf(viewAngleA);
  buildViewMatrix();
}

void turnViewB(int32_t delta) {
  viewAngleB += delta;
  wrapAngle(viewAngleB);
  viewRadB = radiansOf(viewAngleB);
  buildViewMatrix();
}

float levelScale() { return single(mathPow(2, level - 2)); }

projectedPoint projectPoint(int32_t i, float s) {
  const extended X = arrayAt<float>(pointX, i), Y = arrayAt<float>(pointY, i), Z = arrayAt<float>(pointZ, i);
  const float* m = viewMatrix;
  const extended h = single(X * m[0] + Y * m[1]);
  const extended d = single(X * m[2] + Y * m[3] + Z * m[4]);
  const extended v = single(X * m[5] + Y * m[6] + Z * m[7]);
  const extended p = single(PERSPECTIVE_DISTANCE * s / (d + PERSPECTIVE_DISTANCE));
  return projectedPoint{single(h), single(d), single(v), single(p), single(h * p), single(v * p)};
}
