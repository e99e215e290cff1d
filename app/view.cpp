#include "app/view.h"

#include "app/state.h"
#include "runtime/maths.h"

namespace {

constexpr long double perspectiveDistance = 5000;

}  // namespace

void buildViewMatrix() {
  const float cA = static_cast<float>(mathCos(viewRadA));
  const float sA = static_cast<float>(mathSin(viewRadA));
  const float cB = static_cast<float>(mathCos(viewRadB));
  const float sB = static_cast<float>(mathSin(viewRadB));
  // A turn by B about Z, then a tilt by A about the screen's horizontal axis.
  viewMatrix[0] = cB;
  viewMatrix[1] = -sB;
  viewMatrix[2] = static_cast<float>(static_cast<long double>(cA) * sB);
  viewMatrix[3] = static_cast<float>(static_cast<long double>(cA) * cB);
  viewMatrix[4] = -sA;
  viewMatrix[5] = static_cast<float>(static_cast<long double>(sA) * sB);
  viewMatrix[6] = static_cast<float>(static_cast<long double>(sA) * cB);
  viewMatrix[7] = cA;
}

void wrapAngle(int32_t& angle) {
  if (angle > 180)
    angle -= 360;
  else if (angle <= -180)
    angle += 360;
}

void turnViewA(int32_t delta) {
  viewAngleA += delta;
  wrapAngle(viewAngleA);
  viewRadA = static_cast<float>(static_cast<long double>(degToRad) * viewAngleA);
  buildViewMatrix();
}

void turnViewB(int32_t delta) {
  viewAngleB += delta;
  wrapAngle(viewAngleB);
  viewRadB = static_cast<float>(static_cast<long double>(degToRad) * viewAngleB);
  buildViewMatrix();
}

float levelScale() { return static_cast<float>(mathPow(2, level - 2)); }

projectedPoint projectPoint(int32_t i, float s) {
  const long double X = arrayAt<float>(pointX, i);
  const long double Y = arrayAt<float>(pointY, i);
  const long double Z = arrayAt<float>(pointZ, i);
  projectedPoint r;
  r.h = static_cast<float>(X * viewMatrix[0] + Y * viewMatrix[1]);
  r.d = static_cast<float>(X * viewMatrix[2] + Y * viewMatrix[3] + Z * viewMatrix[4]);
  r.v = static_cast<float>(X * viewMatrix[5] + Y * viewMatrix[6] + Z * viewMatrix[7]);
  r.p = static_cast<float>(perspectiveDistance * s / (r.d + perspectiveDistance));
  r.x = static_cast<float>(static_cast<long double>(r.h) * r.p);
  r.y = static_cast<float>(static_cast<long double>(r.v) * r.p);
  return r;
}
