#include "app/levelview.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "app/curvestyle.h"
#include "app/segmentflanks.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"
#include "runtime/keys.h"
#include "runtime/maths.h"
#include "runtime/sort.h"

namespace {

constexpr rtLiteral ENTER_KEY{"\r"};
constexpr rtLiteral ESC_KEY{"\x1b"};
constexpr int32_t TURN_STEP = 5;

bool isEnterOrEsc(rtStringRef key) { return strEqual(key, ENTER_KEY) == 0 || strEqual(key, ESC_KEY) == 0; }

// The offsets depend only on the segment's extent (dx, dy), in whole user
// units, and a picture has a few thousand different short ones; working
// each out once saves the extended-precision root and divisions, which
// otherwise cost as much as the rest of the segment.
constexpr int32_t KNOWN_REACH = 64;
constexpr int32_t KNOWN_SIDE = 2 * KNOWN_REACH + 1;

// The exponents of a few floats: whether sums of three of them come out
// exact in double precision, and so equal to the extended-precision sums.
// They do when the non-zero ones lie within 2^27 of each other, since a sum
// then needs at most 53 bits (two above the largest, 23 below the
// smallest's exponent).
struct exponentRange {
  uint8_t lowest = 0xFF, highest = 0;
  bool subnormal = false;

  constexpr exponentRange(std::initializer_list<float> values) {
    for (const float v : values) {
      const auto exponent = static_cast<uint8_t>(std::bit_cast<uint32_t>(v) >> 23);
      subnormal |= exponent == 0 && v != 0;
      if (exponent == 0) continue;
      lowest = std::min(lowest, exponent);
      highest = std::max(highest, exponent);
    }
  }
  constexpr exponentRange with(exponentRange other) const {
    other.lowest = std::min(lowest, other.lowest);
    other.highest = std::max(highest, other.highest);
    other.subnormal |= subnormal;
    return other;
  }
  constexpr bool sumsExact() const { return !subnormal && highest < 0xFF && (highest == 0 || highest - lowest <= 27); }
};

// The segments' ends are whole user units, well within this in size: the
// projected points, rounded. For them it is enough to know, per extent,
// whether sums with any such coordinate come out exact.
constexpr float WHOLE_REACH = 4096;
constexpr exponentRange WHOLE_COORDINATES{1.0f, WHOLE_REACH - 1};

// A segment's flank offsets, and whether every segment of the extent with
// ends within WHOLE_REACH may add them to its ends in double precision.
struct segmentFlanks {
  flankOffsets offsets;
  bool wholeSumsExact;
};

exponentRange rangeOf(const flankOffsets& f) { return {f.nx, f.ny, f.ex, f.ey}; }

segmentFlanks withExactness(const flankOffsets& f) { return {f, rangeOf(f).with(WHOLE_COORDINATES).sumsExact()}; }

// Each entry with its flag, so that a look-up touches one cache line.
struct knownFlanks {
  struct entry {
    flankOffsets offsets{};
    bool wholeSumsExact = false;
    bool known = false;
  } entries[KNOWN_SIDE * KNOWN_SIDE];
  static_assert(sizeof(entry) == 20);
};

// x + a + b summed left to right in extended precision, as double.
double extendedSum(float x, float a, float b) { return static_cast<double>(extended{x} + a + b); }

// The flank offsets of a segment that is not a point.
segmentFlanks flanksFor(float dx, float dy) {
  constinit static knownFlanks flanks;
  const auto ix = static_cast<int32_t>(dx), iy = static_cast<int32_t>(dy);
  if (ix == dx && iy == dy && ix >= -KNOWN_REACH && ix <= KNOWN_REACH && iy >= -KNOWN_REACH && iy <= KNOWN_REACH) {
    knownFlanks::entry& e = flanks.entries[(iy + KNOWN_REACH) * KNOWN_SIDE + ix + KNOWN_REACH];
    if (!e.known) {
      const segmentFlanks made = withExactness(flanksOf(dx, dy, lengthOf(dx, dy)));
      e.offsets = made.offsets;
      e.wholeSumsExact = made.wholeSumsExact;
      e.known = true;
    }
    return {e.offsets, e.wholeSumsExact};
  }
  return withExactness(flanksOf(dx, dy, lengthOf(dx, dy)));
}

// Ends in whole user units.
void drawSegment(float x1, float y1, float x2, float y2, int32_t flankColor) {
  const float dx = x1 - x2, dy = y1 - y2;  // single-float differences
  // A segment of length 0 has no sides to flank.
  if (dx != 0 || dy != 0) {
    const segmentFlanks flanks = flanksFor(dx, dy);
    const auto [nx, ny, ex, ey] = flanks.offsets;
    // The ends in double precision where that is exact, which is nearly always.
    const bool near = std::fabs(x1) < WHOLE_REACH && std::fabs(y1) < WHOLE_REACH && std::fabs(x2) < WHOLE_REACH &&
                      std::fabs(y2) < WHOLE_REACH;
    const bool exact = near ? flanks.wholeSumsExact : rangeOf(flanks.offsets).with({x1, y1, x2, y2}).sumsExact();
    auto sumOf = [exact](float x, float a, float b) {
      return exact ? static_cast<double>(x) + a + b : extendedSum(x, a, b);
    };
    graphicSetPos(sumOf(x1, nx, ex), sumOf(y1, ny, ey), false);
    graphicLineTo(sumOf(x2, nx, -ex), sumOf(y2, ny, -ey), flankColor, false);
    graphicSetPos(sumOf(x1, -nx, ex), sumOf(y1, -ny, ey), false);
    graphicLineTo(sumOf(x2, -nx, -ex), sumOf(y2, -ny, -ey), flankColor, false);
  }
  graphicSetPos(x1, y1, false);
  graphicLineTo(x2, y2, curveColor, false);
}

enum class keyCommand { none, next, quit, turned };

keyCommand applyKey(rtStringRef key) {
  if (strLen(key) == 1) {
    if (strEqual(key, ENTER_KEY) == 0) return keyCommand::next;
    if (strEqual(key, ESC_KEY) == 0) return keyCommand::quit;
    return keyCommand::none;
  }
  if (strLen(key) != 2) return keyCommand::none;
  switch (strByteAt(key, 2)) {
    case SCAN_LEFT: turnViewB(-TURN_STEP); break;
    case SCAN_UP: turnViewA(-TURN_STEP); break;
    case SCAN_RIGHT: turnViewB(TURN_STEP); break;
    case SCAN_DOWN: turnViewA(TURN_STEP); break;
    default: return keyCommand::none;
  }
  return keyCommand::turned;
}

}  // namespace

levelPicture::levelPicture() {
  const arrayBounds bounds{0, pointCount};
  for (dynArray* a : {&segStartX, &segStartY, &segEndX, &segEndY, &depthKey, &drawOrder})
    arrayDim(*a, 0, ELEMENT_INT32, 1, sizeof(int32_t), &bounds);
}

bool levelPicture::whole() const {
  for (const dynArray* a : {&segStartX, &segStartY, &segEndX, &segEndY, &depthKey, &drawOrder})
    if (!a->data || a->upper1 < pointCount) return false;
  return true;
}

levelPicture::~levelPicture() {
  for (dynArray* a : {&segStartX, &segStartY, &segEndX, &segEndY, &depthKey, &drawOrder}) arrayErase(*a);
}

rtString drawLevelPicture(levelPicture& picture, float s) {
  const int32_t n = pointCount;
  int32_t* startX = &arrayAt<int32_t>(picture.segStartX, 0);
  int32_t* startY = &arrayAt<int32_t>(picture.segStartY, 0);
  int32_t* endX = &arrayAt<int32_t>(picture.segEndX, 0);
  int32_t* endY = &arrayAt<int32_t>(picture.segEndY, 0);
  int32_t* depthKey = &arrayAt<int32_t>(picture.depthKey, 0);
  int32_t* drawOrder = &arrayAt<int32_t>(picture.drawOrder, 0);

  for (int32_t k = 1; k <= n; ++k) drawOrder[k] = k;

  const projectedPoint first = projectPoint(1, s);
  const float startMarkerX = first.x, startMarkerY = first.y;
  startX[1] = roundToInt(first.x);
  startY[1] = roundToInt(first.y);
  extended previousDepth = first.d;

  // A key that comes in mid-pass must not leave a half-projected picture:
  // the pass always runs to the end, and an Enter or Esc is handed back.
  rtString command;
  for (int32_t i = 1; i <= n - 1; ++i) {
    const projectedPoint q = projectPoint(i, s);
    endX[i] = startX[i + 1] = roundToInt(q.x);
    endY[i] = startY[i + 1] = roundToInt(q.y);
    depthKey[i] = roundToInt(q.d + previousDepth);
    previousDepth = q.d;
    if (keyAvailable()) {
      rtString key = waitKey();
      if (strLen(command) == 0 && isEnterOrEsc(key)) strAssign(command, std::move(key));
    }
  }
  const projectedPoint last = projectPoint(n, s);
  depthKey[n] = roundToInt(last.d + previousDepth);
  endX[n] = roundToInt(last.x);
  endY[n] = roundToInt(last.y);

  arraySort(picture.depthKey, 1, 0, SORT_DESCENDING, &picture.drawOrder);

  const int32_t flankColor = rgbColor(212, 208, 200);
  constexpr int32_t LOOK_AHEAD = 8;  // the depth order jumps about the segment arrays
  for (int32_t m = 1; m <= n; ++m) {
    if (m + LOOK_AHEAD <= n) {
      const int32_t ahead = drawOrder[m + LOOK_AHEAD];
      __builtin_prefetch(startX + ahead);
      __builtin_prefetch(startY + ahead);
      __builtin_prefetch(endX + ahead);
      __builtin_prefetch(endY + ahead);
    }
    const int32_t k = drawOrder[m];
    drawSegment(static_cast<float>(startX[k]), static_cast<float>(startY[k]), static_cast<float>(endX[k]),
                static_cast<float>(endY[k]), flankColor);
  }
  drawMarker(startMarkerX, startMarkerY);
  drawMarker(last.x, last.y);
  graphicRedraw();
  return command;
}

int32_t showLevel() {
  levelPicture picture;
  if (!picture.whole()) return -1;
  const float s = levelScale();
  rtString pending = drawLevelPicture(picture, s);
  for (;;) {
    rtString key;
    if (strLen(pending) != 0)
      strAssign(key, std::move(pending));
    else
      strAssign(key, waitKey());
    flushKeys();  // repeats typed while the picture was built are dropped
    switch (applyKey(key)) {
      case keyCommand::next: return 0;
      case keyCommand::quit: return 1;
      case keyCommand::none: break;
      case keyCommand::turned:
        graphicClear(COLOR_DEFAULT, 0);
        strAssign(pending, drawLevelPicture(picture, s));
        break;
    }
  }
}
