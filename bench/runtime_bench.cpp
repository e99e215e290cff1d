// The runtime services on the drawing path: the depth sort of a level-5
// picture with its tag array, and the print form of numbers.
#include <benchmark/benchmark.h>

#include <random>

#include "runtime/arrays.h"
#include "runtime/formatnumber.h"
#include "runtime/maths.h"
#include "runtime/sort.h"
#include "runtime/strings.h"

namespace {

void SortDepthKeys(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  dynArray keys, tags, original;
  const arrayBounds b{0, n};
  arrayDim(keys, 0, ELEMENT_INT32, 1, 4, &b);
  arrayDim(tags, 0, ELEMENT_INT32, 1, 4, &b);
  arrayDim(original, 0, ELEMENT_INT32, 1, 4, &b);
  std::mt19937 random(5);
  for (int32_t i = 1; i <= n; ++i) arrayAt<int32_t>(original, i) = static_cast<int32_t>(random() % 200000);
  for (auto _ : state) {
    state.PauseTiming();
    for (int32_t i = 1; i <= n; ++i) {
      arrayAt<int32_t>(keys, i) = arrayAt<int32_t>(original, i);
      arrayAt<int32_t>(tags, i) = i;
    }
    state.ResumeTiming();
    arraySort(keys, 1, n, SORT_DESCENDING, &tags);
    benchmark::DoNotOptimize(keys.data);
  }
  arrayErase(keys);
  arrayErase(tags);
  arrayErase(original);
}
BENCHMARK(SortDepthKeys)->Arg(4096)->Arg(32768);

void FormatNumber15(benchmark::State& state) {
  long double x = 0.017453292519943295L;
  for (auto _ : state) {
    rtString s = formatNumber(x, 15);
    benchmark::DoNotOptimize(s.bytes());
    x *= 1.0001L;
  }
}
BENCHMARK(FormatNumber15);

void FormatNumberExtremes(benchmark::State& state) {
  long double x = 1.5e4900L;
  for (auto _ : state) {
    rtString s = formatNumber(x, 18);
    benchmark::DoNotOptimize(s.bytes());
  }
}
BENCHMARK(FormatNumberExtremes);

void NumberToText(benchmark::State& state) {
  int32_t level = 0;
  for (auto _ : state) {
    rtString s = numberToText(level);
    benchmark::DoNotOptimize(s.bytes());
    level = (level + 1) % 6;
  }
}
BENCHMARK(NumberToText);

void PowFractional(benchmark::State& state) {
  long double y = 0.5L;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mathPow(3.0L, y));
    y += 1e-6L;
  }
}
BENCHMARK(PowFractional);

}  // namespace
