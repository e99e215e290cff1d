// Drawing a level-5 picture into a 750 x 750 back buffer the way the level
// view does (a line per graphicSetPos + graphicLineTo, two discs, one
// redraw), the per-call cost of the drawing operations, and the screen copy
// of graphicRedraw under a private X server.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "graphics/rasterline.h"
#include "graphics/redraw.h"
#include "graphics/registry.h"
#include "graphics/window.h"
#include "runtime/threadblock.h"
#include "tests/support/x11probe.h"
#include "tests/support/xvfb.h"

namespace {

constexpr int32_t canvasSize = 750;
constexpr int32_t levelFiveLines = 3 * 32768;  // two flanks and a centre line per segment
constexpr int32_t flankColor = 0x00C8D0D4, curveColor = 0x000000FF;

struct line {
  float x1, y1, x2, y2;
};

// Lines of about 15 pixels (30 user units) at every angle, all over the canvas.
std::vector<line> levelFiveLinesInUserUnits() {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> place(-700, 700), angle(0, 6.2831853f), length(26, 34);
  std::vector<line> lines(levelFiveLines);
  for (line& l : lines) {
    const float a = angle(random), n = length(random);
    l.x1 = place(random);
    l.y1 = place(random);
    l.x2 = l.x1 + n * std::cos(a);
    l.y2 = l.y1 + n * std::sin(a);
  }
  return lines;
}

void attachProgramsCanvas(uint32_t target) {
  graphicAttach(target, 0, true);
  graphicSetPenWidth(3);
  graphicSetScale(-750, 750, 750, -750);
}

void drawPicture(const std::vector<line>& lines) {
  graphicClear(COLOR_DEFAULT, 0);
  for (size_t i = 0; i < lines.size(); ++i) {
    const line& l = lines[i];
    graphicSetPos(l.x1, l.y1, false);
    graphicLineTo(l.x2, l.y2, i % 3 == 2 ? curveColor : flankColor, false);
  }
  graphicBox(-5, -5, 6, 6, CORNER_ELLIPSE, 255, 255, 0);
  graphicBox(395, 295, 406, 306, CORNER_ELLIPSE, 255, 255, 0);
  graphicRedraw();
}

void LevelFivePicture(benchmark::State& state) {
  const std::vector<line> lines = levelFiveLinesInUserUnits();
  const uint32_t bitmap = graphicBitmapCreate(canvasSize, canvasSize);
  attachProgramsCanvas(bitmap);
  for (auto _ : state) drawPicture(lines);
  state.SetItemsProcessed(state.iterations() * levelFiveLines);
  state.counters["ns_per_line"] =
      benchmark::Counter(static_cast<double>(levelFiveLines) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  graphicBitmapRelease(bitmap);
  getThreadBlock()->currentTarget = 0;
}
BENCHMARK(LevelFivePicture)->Unit(benchmark::kMillisecond);

// The rasterizer alone: the same lines, already in pixels, drawn on the
// calling thread with no drawing call around them.
void RasterLevelFiveLines(benchmark::State& state) {
  auto pixel = [](float x, float y) {
    return pixelPoint{static_cast<int32_t>(std::lround((x + 750) / 2)), static_cast<int32_t>(std::lround((750 - y) / 2))};
  };
  std::vector<std::pair<pixelPoint, pixelPoint>> ends;
  for (const line& l : levelFiveLinesInUserUnits()) ends.emplace_back(pixel(l.x1, l.y1), pixel(l.x2, l.y2));
  std::vector<uint32_t> pixels(static_cast<size_t>(canvasSize) * canvasSize);
  const pixelBuffer buffer{pixels.data(), canvasSize, canvasSize};
  for (auto _ : state) {
    for (size_t i = 0; i < ends.size(); ++i)
      rasterLine(buffer, ends[i].first, ends[i].second, {3, 0, i % 3 == 2 ? 0xFFu : 0xD4D0C8u, 0});
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["ns_per_line"] =
      benchmark::Counter(static_cast<double>(levelFiveLines) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(RasterLevelFiveLines)->Unit(benchmark::kMillisecond);

// graphicSetPos alone: the lookup, the lock and the coordinate conversion
// that every drawing call pays.
void SetPosCall(benchmark::State& state) {
  const uint32_t bitmap = graphicBitmapCreate(canvasSize, canvasSize);
  attachProgramsCanvas(bitmap);
  double x = 0;
  for (auto _ : state) {
    graphicSetPos(x, 17.25, false);
    x += 0.5;
    if (x > 700) x = -700;
  }
  graphicBitmapRelease(bitmap);
  getThreadBlock()->currentTarget = 0;
}
BENCHMARK(SetPosCall);

// The copy of the whole 750 x 750 back buffer to the screen, through
// MIT-SHM (argument 1) or, on a server without it, XPutImage (0), waiting
// for the server each time.
void RedrawToScreen(benchmark::State& state) {
  const std::string& display =
      state.range(0) != 0 ? testXServer::display() : testXServer::displayWithoutSharedMemory();
  if (display.empty()) {
    state.SkipWithError("Xvfb could not be started");
    return;
  }
  setenv("DISPLAY", display.c_str(), 1);
  static const uint8_t title[] = "redraw benchmark";
  const uint32_t frame =
      graphicWindowCreate(rtStringRef(title, sizeof title - 1), 0, 0, canvasSize, canvasSize, 0);
  if (frame == 0) {
    state.SkipWithError(graphicWindowFailure());
    return;
  }
  attachProgramsCanvas(frame);
  graphicBox(-100, -100, 100, 100, CORNER_ELLIPSE, 255, 255, 0);
  for (auto _ : state) graphicRedraw();
  getThreadBlock()->currentTarget = 0;
  // Closed as its user would, so that a window on the other server cannot
  // meet its handle still registered.
  if (x11Probe(display).sendDeleteWindow(frame)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (findTarget(frame) && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  }
}
BENCHMARK(RedrawToScreen)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
