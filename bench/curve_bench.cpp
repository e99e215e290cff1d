// Building the curve up to level 5 and projecting every point of it.
#include <initializer_list>
#include <benchmark/benchmark.h>

#include "app/curve.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"

namespace {

void releasePoints() {
  for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
}

void buildUpTo(int32_t target) {
  releasePoints();
  setFirstView();
  setLevelZero();
  while (level < target) {
    growArrays();
    buildNextLevel();
    ++level;
  }
}

void BuildLevels(benchmark::State& state) {
  const auto target = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    buildUpTo(target);
    benchmark::DoNotOptimize(arrayAt<float>(pointX, pointCount));
  }
  state.SetItemsProcessed(state.iterations() * pointCount);
  releasePoints();
}
BENCHMARK(BuildLevels)->Arg(5)->Unit(benchmark::kMicrosecond);

void ProjectLevel(benchmark::State& state) {
  buildUpTo(static_cast<int32_t>(state.range(0)));
  const float s = levelScale();
  for (auto _ : state) {
    float sum = 0;
    for (int32_t i = 1; i <= pointCount; ++i) {
      const projectedPoint p = projectPoint(i, s);
      sum += p.x + p.y + p.d;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * pointCount);
  releasePoints();
}
BENCHMARK(ProjectLevel)->Arg(5)->Unit(benchmark::kMicrosecond);

}  // namespace
