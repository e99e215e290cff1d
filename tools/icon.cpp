// icon OUTDIR
// Draws a level picture as the program shows it, in the first view, and
// writes it as the program's icon: OUTDIR/hilbert3d.svg from the picture's
// segments, flank lines and end discs, and OUTDIR/hilbert3d-48.png and
// OUTDIR/hilbert3d-256.png from the rasterized back buffer, scaled down.
// Both put the picture on a rounded tile of the window's face colour.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/curve.h"
#include "app/curvestyle.h"
#include "app/levelview.h"
#include "app/program.h"
#include "app/segmentflanks.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"
#include "graphics/target.h"
#include "tests/support/pngfile.h"

namespace {

constexpr int32_t canvasSide = 750;
constexpr int32_t iconLevel = 2;  // the first level that reads as the curve
constexpr double margin = 0.06;         // of the icon's side, around the picture
constexpr double cornerRadius = 0.16;   // of the icon's side
constexpr double penWidth = 3;          // pixels

// The pixel a user point of the program's scale falls on, continuous: the
// centre of the pixel the drawing operations pick.
double pixelX(double x) { return std::nearbyint((x + canvasSide) / 2) + 0.5; }
double pixelY(double y) { return std::nearbyint((canvasSide - y) / 2) + 0.5; }

// The square of the back buffer the icon shows.
struct square {
  double left, top, side;
};

square aroundInk(const std::vector<uint32_t>& pixels) {
  int32_t left = canvasSide, top = canvasSide, right = -1, bottom = -1;
  for (int32_t y = 0; y < canvasSide; ++y)
    for (int32_t x = 0; x < canvasSide; ++x)
      if (pixels[static_cast<size_t>(y) * canvasSide + x] != FACE_COLOR) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  const double inner = std::max(right + 1 - left, bottom + 1 - top);
  const double side = std::ceil(inner / (1 - 2 * margin));
  return {std::floor((left + right + 1 - side) / 2), std::floor((top + bottom + 1 - side) / 2), side};
}

// How much of the output pixel (x, y) of a size x size icon the rounded
// tile covers, from 4 x 4 samples.
double tileCover(int32_t x, int32_t y, int32_t size) {
  const double r = cornerRadius * size;
  int32_t inside = 0;
  for (int32_t sy = 0; sy < 4; ++sy)
    for (int32_t sx = 0; sx < 4; ++sx) {
      const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
      const double dx = std::max({r - px, px - (size - r), 0.0}), dy = std::max({r - py, py - (size - r), 0.0});
      inside += dx * dx + dy * dy <= r * r;
    }
  return inside / 16.0;
}

// The square of the back buffer averaged down to size x size (a box filter
// with fractional edges), on the rounded tile: pixels 0xAABBGGRR.
std::vector<uint32_t> scaledIcon(const std::vector<uint32_t>& pixels, const square& at, int32_t size) {
  const double step = at.side / size;
  std::vector<uint32_t> icon(static_cast<size_t>(size) * size);
  for (int32_t oy = 0; oy < size; ++oy)
    for (int32_t ox = 0; ox < size; ++ox) {
      const double x0 = at.left + ox * step, y0 = at.top + oy * step;
      double sum[3] = {0, 0, 0}, weight = 0;
      for (auto y = static_cast<int32_t>(std::floor(y0)); y < y0 + step; ++y)
        for (auto x = static_cast<int32_t>(std::floor(x0)); x < x0 + step; ++x) {
          const double w = (std::min<double>(x + 1, x0 + step) - std::max<double>(x, x0)) *
                           (std::min<double>(y + 1, y0 + step) - std::max<double>(y, y0));
          const bool inBuffer = x >= 0 && y >= 0 && x < canvasSide && y < canvasSide;
          const uint32_t p = inBuffer ? pixels[static_cast<size_t>(y) * canvasSide + x] : FACE_COLOR;
          for (int c = 0; c < 3; ++c) sum[c] += w * ((p >> (8 * c)) & 0xFF);
          weight += w;
        }
      uint32_t out = static_cast<uint32_t>(std::lround(tileCover(ox, oy, size) * 255)) << 24;
      for (int c = 0; c < 3; ++c) out |= static_cast<uint32_t>(std::lround(sum[c] / weight)) << (8 * c);
      icon[static_cast<size_t>(oy) * size + ox] = out;
    }
  return icon;
}

std::string hexColour(uint32_t bgr) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
  return text;
}

std::string line(double x1, double y1, double x2, double y2, const square& at, const std::string& colour) {
  char text[160];
  std::snprintf(text, sizeof text, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\"/>\n",
                pixelX(x1) - at.left, pixelY(y1) - at.top, pixelX(x2) - at.left, pixelY(y2) - at.top,
                colour.c_str());
  return text;
}

// drawMarker's disc: the ellipse of the box (x - 5, y - 5)-(x + 6, y + 6).
std::string disc(float x, float y, const square& at) {
  const double left = pixelX(x - 5) - 0.5, right = pixelX(x + 6) - 0.5;
  const double top = pixelY(y + 6) - 0.5, bottom = pixelY(y - 5) - 0.5;
  char text[160];
  std::snprintf(text, sizeof text, "<ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.1f\" ry=\"%.1f\" fill=\"%s\"/>\n",
                (left + right) / 2 - at.left, (top + bottom) / 2 - at.top, (right - left) / 2,
                (bottom - top) / 2, hexColour(curveColor).c_str());
  return text;
}

// The picture as drawLevelPicture left it: segments in drawing order, far
// to near, each with its flanks first, then the two end discs.
std::string svgIcon(const levelPicture& picture, const square& at) {
  char head[400];
  std::snprintf(head, sizeof head,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 %.0f %.0f\">\n"
                "<rect width=\"%.0f\" height=\"%.0f\" rx=\"%.1f\" fill=\"%s\"/>\n"
                "<g stroke-width=\"%.0f\" stroke-linecap=\"round\">\n",
                at.side, at.side, at.side, at.side, cornerRadius * at.side, hexColour(FACE_COLOR).c_str(),
                penWidth);
  std::string svg = head;
  const std::string flank = hexColour(FACE_COLOR), curve = hexColour(curveColor);
  for (int32_t m = 1; m <= pointCount; ++m) {
    const int32_t k = arrayAt<int32_t>(picture.drawOrder, m);
    const auto x1 = static_cast<float>(arrayAt<int32_t>(picture.segStartX, k));
    const auto y1 = static_cast<float>(arrayAt<int32_t>(picture.segStartY, k));
    const auto x2 = static_cast<float>(arrayAt<int32_t>(picture.segEndX, k));
    const auto y2 = static_cast<float>(arrayAt<int32_t>(picture.segEndY, k));
    const float dx = x1 - x2, dy = y1 - y2;
    if (dx != 0 || dy != 0) {
      const auto [nx, ny, ex, ey] = flanksOf(dx, dy, lengthOf(dx, dy));
      for (const float side : {1.0f, -1.0f})
        svg += line(double{x1} + side * nx + ex, double{y1} + side * ny + ey, double{x2} + side * nx - ex,
                    double{y2} + side * ny - ey, at, flank);
    }
    svg += line(x1, y1, x2, y2, at, curve);
  }
  svg += "</g>\n";
  const projectedPoint first = projectPoint(1, levelScale()), last = projectPoint(pointCount, levelScale());
  svg += disc(first.x, first.y, at) + disc(last.x, last.y, at);
  return svg + "</svg>\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icon OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const uint32_t canvas = graphicBitmapCreate(canvasSide, canvasSide);
  if (canvas == 0) return 1;
  graphicAttach(canvas, 0, true);
  graphicSetPenWidth(static_cast<int32_t>(penWidth));
  graphicSetScale(-canvasSide, canvasSide, canvasSide, -canvasSide);
  setFirstView();
  setLevelZero();
  while (level < iconLevel) {
    growArrays();
    buildNextLevel();
    ++level;
  }
  levelPicture picture;
  if (!picture.whole()) return 1;
  graphicClear(COLOR_DEFAULT, 0);
  drawLevelPicture(picture, levelScale());
  std::vector<uint32_t> pixels;
  if (!graphicTargetPixels(canvas, pixels)) return 1;

  const square at = aroundInk(pixels);
  const std::string svg = svgIcon(picture, at);
  bool written = pngfile::writeFile(dir + "/hilbert3d.svg", std::vector<uint8_t>(svg.begin(), svg.end()));
  for (const int32_t size : {48, 256})
    written = written && pngfile::writeFile(dir + "/hilbert3d-" + std::to_string(size) + ".png",
                                            pngfile::encode(scaledIcon(pixels, at, size), size, size, true));
  if (!written) std::fprintf(stderr, "icon: cannot write into %s\n", dir.c_str());
  return written ? 0 : 1;
}
