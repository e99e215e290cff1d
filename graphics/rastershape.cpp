#include <algorithm>
#include <cmath>

#include "graphics/raster.h"

namespace {

// A rounded rectangle through pixel centres: x0..x1 by y0..y1, corners cut
// by quarter ellipses of radii rx, ry (0 gives square corners).
struct roundShape {
  double x0, x1, y0, y1, rx, ry;

  roundShape grown(double d) const { return {x0 - d, x1 + d, y0 - d, y1 + d, rx + d, ry + d}; }
  roundShape shrunk(double d) const {
    return {x0 + d, x1 - d, y0 + d, y1 - d, std::max(rx - d, 0.0), std::max(ry - d, 0.0)};
  }
};

struct span {
  int32_t first, last;  // empty when first > last
  bool empty() const { return first > last; }
};
constexpr span noSpan{1, 0};

// The pixels of row y whose centres lie inside the shape (edges included).
span rowOf(const roundShape& s, int32_t y) {
  if (y < s.y0 || y > s.y1 || s.x0 > s.x1) return noSpan;
  double inset = 0;
  if (s.rx > 0 && s.ry > 0) {
    double t = 0;
    if (y < s.y0 + s.ry)
      t = (s.y0 + s.ry - y) / s.ry;
    else if (y > s.y1 - s.ry)
      t = (y - (s.y1 - s.ry)) / s.ry;
    inset = s.rx * (1 - std::sqrt(std::max(0.0, 1 - t * t)));
  }
  const double lo = std::ceil(s.x0 + inset), hi = std::floor(s.x1 - inset);
  if (lo > hi) return noSpan;
  // Within +-2^29 here, as every coordinate is.
  return {static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
}

struct rowClip {
  int32_t first, last;
};

rowClip rowsOf(const roundShape& s, const pixelBuffer& b) {
  const double lo = std::max(std::ceil(s.y0), 0.0), hi = std::min(std::floor(s.y1), b.height - 1.0);
  if (lo > hi) return {1, 0};
  return {static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
}

void paint(const pixelBuffer& b, int32_t y, int32_t first, int32_t last, const rasterBrush& brush) {
  first = std::max(first, 0);
  last = std::min(last, b.width - 1);
  if (first <= last) rasterFillSpan(b, y, first, last, brush);
}

// Paints `outer` minus `inner` on row y: at most two pieces.
void paintDifference(const pixelBuffer& b, int32_t y, span outer, span inner, const rasterBrush& brush) {
  if (outer.empty()) return;
  if (inner.empty() || inner.last < outer.first || inner.first > outer.last) {
    paint(b, y, outer.first, outer.last, brush);
    return;
  }
  paint(b, y, outer.first, inner.first - 1, brush);
  paint(b, y, inner.last + 1, outer.last, brush);
}

// The one-pixel outline: the pixels of the shape with a neighbour above,
// below, left or right outside it.
void thinOutline(const pixelBuffer& b, const roundShape& s, const rasterBrush& ink) {
  const rowClip rows = rowsOf(s, b);
  for (int32_t y = rows.first; y <= rows.last; ++y) {
    const span here = rowOf(s, y), above = rowOf(s, y - 1), below = rowOf(s, y + 1);
    span inner = noSpan;
    if (!here.empty() && !above.empty() && !below.empty())
      inner = {std::max({here.first + 1, above.first, below.first}), std::min({here.last - 1, above.last, below.last})};
    paintDifference(b, y, here, inner, ink);
  }
}

// A wider outline: every pixel within width/2 of the shape's edge.
void wideOutline(const pixelBuffer& b, const roundShape& s, double halfWidth, const rasterBrush& ink) {
  const roundShape outer = s.grown(halfWidth), inner = s.shrunk(halfWidth);
  const rowClip rows = rowsOf(outer, b);
  // Pixels on the inner shape's edge count as inside it, so an even width
  // covers exactly that many pixels across.
  for (int32_t y = rows.first; y <= rows.last; ++y) paintDifference(b, y, rowOf(outer, y), rowOf(inner, y), ink);
}

}  // namespace

void rasterRoundRect(const pixelBuffer& b, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t cornerWidth, int32_t cornerHeight, const rasterPen& pen, const rasterBrush& brush) {
  if (b.width <= 0 || b.height <= 0 || right <= left || bottom <= top) return;
  const double boxWidth = static_cast<double>(right) - left, boxHeight = static_cast<double>(bottom) - top;
  const double ew = std::clamp<double>(cornerWidth, 0, boxWidth), eh = std::clamp<double>(cornerHeight, 0, boxHeight);
  const roundShape shape{static_cast<double>(left), right - 1.0, static_cast<double>(top), bottom - 1.0,
                         std::max(ew / 2 - 0.5, 0.0), std::max(eh / 2 - 0.5, 0.0)};
  // The figure itself covers the pixels whose centres lie within it when its
  // edge runs along the outer sides of the outermost pixels: half a pixel
  // outside the line through their centres, so no centre sits on the edge.
  const roundShape figure = shape.grown(0.5);
  if (brush.kind != brushKind::none) {
    const rowClip rows = rowsOf(figure, b);
    for (int32_t y = rows.first; y <= rows.last; ++y) {
      const span row = rowOf(figure, y);
      if (!row.empty()) paint(b, y, row.first, row.last, brush);
    }
  }
  // A wider pen is centred on the line through the outermost pixels.
  const rasterBrush ink{brushKind::solid, pen.pixel, pen.pixel, 0};
  if (pen.width <= 1)
    thinOutline(b, figure, ink);
  else
    wideOutline(b, shape, pen.width / 2.0, ink);
}
