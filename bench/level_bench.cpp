// The whole still picture of a level, as the arrow keys rebuild it: every
// point projected, the segments sorted by depth, flank and centre lines and
// the two end discs drawn into a 750 x 750 back buffer. Its lines are drawn
// on a thread of their own, so the CPU column is the whole process's time
// (every thread), and iterations are chosen by real time.
#include <benchmark/benchmark.h>

#include <initializer_list>

#include "app/curve.h"
#include "app/levelview.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"

namespace {

void releasePoints() {
  for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
}

// Picture after picture of the level, each turned by `turn` degrees from
// the last: 0 draws the first view over and over, 5 is what holding the
// right arrow key draws, every view in turn.
void drawLevelPictures(benchmark::State& state, int32_t turn) {
  releasePoints();
  setFirstView();
  setLevelZero();
  while (level < state.range(0)) {
    growArrays();
    buildNextLevel();
    ++level;
  }
  const uint32_t canvas = graphicBitmapCreate(750, 750);
  graphicAttach(canvas, 0, true);
  graphicSetPenWidth(3);
  graphicSetScale(-750, 750, 750, -750);
  {
    levelPicture picture;
    const float s = levelScale();
    for (auto _ : state) {
      if (turn != 0) turnViewB(turn);
      graphicClear(COLOR_DEFAULT, 0);
      rtString key = drawLevelPicture(picture, s);
      benchmark::DoNotOptimize(key.bytes());
    }
  }
  state.counters["segments"] = pointCount;
  graphicBitmapRelease(canvas);
  releasePoints();
}

void LevelPicture(benchmark::State& state) { drawLevelPictures(state, 0); }
void TurningLevelPicture(benchmark::State& state) { drawLevelPictures(state, 5); }
BENCHMARK(LevelPicture)->DenseRange(3, 5)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(TurningLevelPicture)->Arg(5)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
