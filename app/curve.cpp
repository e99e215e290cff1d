#include "app/curve.h"

#include <initializer_list>

#include "app/state.h"

namespace {

void growToPoints(dynArray& a, int32_t points) {
  const arrayBounds bounds{0, points};
  arrayRedimPreserve(a, 0, ELEMENT_SINGLE, 1, sizeof(float), &bounds);
}

}  // namespace

void growArrays() {
  const int32_t points = 8 * pointCount;
  for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) growToPoints(*a, points);
}

void buildNextLevel() {
  const int32_t n = pointCount;
  octantOffset = octantOffset / 2;

  float* px = &arrayAt<float>(pointX, 0);
  float* py = &arrayAt<float>(pointY, 0);
  float* pz = &arrayAt<float>(pointZ, 0);
  float* sx = &arrayAt<float>(scaledX, 0);
  float* sy = &arrayAt<float>(scaledY, 0);
  float* sz = &arrayAt<float>(scaledZ, 0);
  for (int32_t i = 1; i <= n; ++i) {
    sx[i] = px[i] / 4;
    sy[i] = py[i] / 4;
    sz[i] = pz[i] / 4;
  }

  // The copies sit in the octants of the level-1 points, in the reflected
  // Gray code order 000 001 011 010 110 111 101 100, so that each one ends
  // next to where the following one starts.
  const float d = octantOffset;
  int32_t k = 1;
  for (int32_t copy = 1; copy <= 8; ++copy) {
    for (int32_t i = 1; i <= n; ++i, ++k) {
      const float a = sx[i], b = sy[i], c = sz[i];
      float x = 0, y = 0, z = 0;
      switch (copy) {
        case 1: x = b - d; y = c - d; z = a - d; break;
        case 2: x = c - d; y = a - d; z = b + d; break;
        case 3: x = c - d; y = a + d; z = b + d; break;
        case 4: x = a - d; y = d - b; z = -c - d; break;
        case 5: x = a + d; y = d - b; z = -c - d; break;
        case 6: x = d - c; y = d - a; z = b + d; break;
        case 7: x = d - c; y = -a - d; z = b + d; break;
        case 8: x = d - b; y = c - d; z = -a - d; break;
      }
      px[k] = x;
      py[k] = y;
      pz[k] = z;
    }
  }
  pointCount = k - 1;
}
