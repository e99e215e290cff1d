#include "app/animation.h"

#include "app/curvestyle.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"
#include "runtime/keys.h"
#include "runtime/maths.h"
#include "runtime/timing.h"

void animateLevel() {
  const int32_t n = pointCount;
  const float s = levelScale();
  // The same pause at every size of level: 200, 100, 67, 50, 40 ms.
  const int32_t pause = roundToInt(200.0L / level);

  projectedPoint q = projectPoint(1, s);
  drawMarker(q.x, q.y);
  graphicSetPos(q.x, q.y, false);
  for (int32_t i = 2; i <= n; ++i) {
    q = projectPoint(i, s);
    sleepMs(1);
    graphicLineTo(q.x, q.y, curveColor, false);
    sleepMs(pause);
    if (keyAvailable()) {
      waitKey();
      return;
    }
    graphicRedraw();
  }
  drawMarker(q.x, q.y);
  graphicRedraw();
}
