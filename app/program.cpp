#include "app/program.h"

#include <cstdio>
#include <initializer_list>

#include "app/animation.h"
#include "app/curve.h"
#include "app/levelview.h"
#include "app/panel.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"
#include "graphics/window.h"
#include "runtime/console.h"
#include "runtime/consolewindow.h"
#include "runtime/maths.h"
#include "runtime/startup.h"

const cleanupEntry programCleanupTable[] = {
    {&pointX, nullptr}, {&pointY, nullptr}, {&pointZ, nullptr},
    {&scaledX, nullptr}, {&scaledY, nullptr}, {&scaledZ, nullptr},
};
const size_t programCleanupCount = sizeof programCleanupTable / sizeof programCleanupTable[0];

namespace {

constexpr rtLiteral WINDOW_CAPTION{"Hilbert Curve in 3D"};
constexpr int32_t WINDOW_LEFT = 5, WINDOW_TOP = 0, WINDOW_SIZE = 750;
constexpr int32_t CONSOLE_LEFT = 750, CONSOLE_TOP = 200;
constexpr int32_t PEN_WIDTH = 3;

// Room of its own: memory is what is short when this is written.
char failure[64];

void memoryRanOut(const char* what) {
  std::snprintf(failure, sizeof failure, "out of memory: level %d cannot be %s", static_cast<int>(level), what);
}

}  // namespace

const char* programFailure() { return failure; }

void setFirstView() {
  const extended quarterTurn = single(mathArcTan(1));
  degToRad = single(quarterTurn / 45);
  viewAngleA = 30;
  viewAngleB = -30;
  viewRadA = radiansOf(viewAngleA);
  viewRadB = radiansOf(viewAngleB);
  buildViewMatrix();
}

void setLevelZero() {
  level = 0;
  pointCount = 1;
  const arrayBounds bounds{0, 1};
  for (dynArray* a : {&pointX, &pointY, &pointZ}) {
    arrayDim(*a, 0, ELEMENT_SINGLE, 1, sizeof(float), &bounds);
    if (a->data) arrayAt<float>(*a, 1) = 0;
  }
  octantOffset = 1000;
}

namespace {

// Growing can fail for want of memory; building into arrays that did not
// grow would write past their end.
bool arraysHold(int32_t points) {
  for (const dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ})
    if (!a->data || a->upper1 < points) return false;
  return true;
}

}  // namespace

int32_t programMain(void*, void*, const char*, int32_t) {
  consoleCursor(0);
  const uint32_t window = graphicWindowCreate(WINDOW_CAPTION, WINDOW_LEFT, WINDOW_TOP, WINDOW_SIZE, WINDOW_SIZE, 0);
  graphicAttach(window, 0, true);
  graphicSetPenWidth(PEN_WIDTH);
  consoleMoveWindow(CONSOLE_LEFT, CONSOLE_TOP);
  consoleToFront();
  graphicSetScale(-750, 750, 750, -750);
  setFirstView();
  setLevelZero();
  if (!pointX.data || !pointY.data || !pointZ.data) {
    memoryRanOut("built");
    return 0;
  }
  drawConsolePanel();

  for (;;) {
    const int32_t shown = showLevel();
    if (shown < 0) memoryRanOut("shown");
    if (shown != 0) break;
    level += 1;
    if (level > maxLevel) break;
    showLevelNumber();
    growArrays();
    if (!arraysHold(8 * pointCount)) {
      memoryRanOut("built");
      break;
    }
    graphicClear(COLOR_DEFAULT, 0);
    buildNextLevel();
    animateLevel();
    graphicClear(COLOR_DEFAULT, 0);
  }
  return 0;
}
