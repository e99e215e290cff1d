// keyAvailable is asked once per point while a level is built: it must cost
// next to nothing when no key is waiting.
#include <benchmark/benchmark.h>

#include "runtime/keys.h"

static void BM_KeyAvailableWithNothingWaiting(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(keyAvailable());
}
BENCHMARK(BM_KeyAvailableWithNothingWaiting);
