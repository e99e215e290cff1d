#include "graphics/rastershape.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"

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
constexpr span NO_SPAN{1, 0};

// The pixels of row y whose centres lie inside the shape (edges included).
span rowOf(const roundShape& s, int32_t y) {
  if (y < s.y0 || y > s.y1 || s.x0 > s.x1) return NO_SPAN;
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
  if (lo > hi) return NO_SPAN;
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

// Hands `outer` minus `inner` on row y, clipped to the buffer, to take(y,
// first, last): at most two pieces.
template <class Take>
void difference(const pixelBuffer& b, int32_t y, span outer, span inner, Take take) {
  auto clipped = [&](int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, b.width - 1);
    if (first <= last) take(y, first, last);
  };
  if (outer.empty()) return;
  if (inner.empty() || inner.last < outer.first || inner.first > outer.last) {
    clipped(outer.first, outer.last);
    return;
  }
  clipped(outer.first, inner.first - 1);
  clipped(inner.last + 1, outer.last);
}

// A taker of spans that fills them with the brush.
auto filler(const pixelBuffer& b, const rasterBrush& brush) {
  return [&b, &brush](int32_t y, int32_t first, int32_t last) { rasterFillSpan(b, y, first, last, brush); };
}

// The one-pixel outline: the pixels of the shape with a neighbour above,
// below, left or right outside it, as spans handed to take.
template <class Take>
void thinOutline(const pixelBuffer& b, const roundShape& s, Take take) {
  const rowClip rows = rowsOf(s, b);
  for (int32_t y = rows.first; y <= rows.last; ++y) {
    const span here = rowOf(s, y), above = rowOf(s, y - 1), below = rowOf(s, y + 1);
    span inner = NO_SPAN;
    if (!here.empty() && !above.empty() && !below.empty())
      inner = {std::max({here.first + 1, above.first, below.first}), std::min({here.last - 1, above.last, below.last})};
    difference(b, y, here, inner, take);
  }
}

// A styled one-pixel outline dashes the same pixels in the order of the way
// round, which for these convex figures is the order of their angles about
// the centre; it starts on the left and runs clockwise over the top.
void styledOutline(const pixelBuffer& b, const roundShape& s, const rasterPen& pen) {
  struct outlinePixel {
    double angle;
    int32_t x, y;
  };
  std::vector<outlinePixel> way;
  const double cx = (s.x0 + s.x1) / 2, cy = (s.y0 + s.y1) / 2;
  thinOutline(b, s, [&](int32_t y, int32_t first, int32_t last) {
    for (int32_t x = first; x <= last; ++x) way.push_back({std::atan2(y - cy, x - cx), x, y});
  });
  std::sort(way.begin(), way.end(), [&](const outlinePixel& a, const outlinePixel& c) {
    if (a.angle != c.angle) return a.angle < c.angle;
    return std::hypot(a.x - cx, a.y - cy) < std::hypot(c.x - cx, c.y - cy);
  });
  for (size_t i = 0; i < way.size(); ++i)
    b.pixels[static_cast<size_t>(way[i].y) * b.width + way[i].x] =
        penDashOn(pen.style, static_cast<int64_t>(i)) ? pen.pixel : pen.gapPixel;
}

// A wider outline: every pixel within width/2 of the shape's edge.
void wideOutline(const pixelBuffer& b, const roundShape& s, double halfWidth, const rasterBrush& ink) {
  const roundShape outer = s.grown(halfWidth), inner = s.shrunk(halfWidth);
  const rowClip rows = rowsOf(outer, b);
  // Pixels on the inner shape's edge count as inside it, so an even width
  // covers exactly that many pixels across.
  for (int32_t y = rows.first; y <= rows.last; ++y) difference(b, y, rowOf(outer, y), rowOf(inner, y), filler(b, ink));
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
    for (int32_t y = rows.first; y <= rows.last; ++y) difference(b, y, rowOf(figure, y), NO_SPAN, filler(b, brush));
  }
  // A wider pen is centred on the line through the outermost pixels.
  const rasterBrush ink{brushKind::solid, pen.pixel, pen.pixel, 0};
  if (pen.width <= 1 && pen.style >= 1 && pen.style <= 4)
    styledOutline(b, figure, pen);
  else if (pen.width <= 1)
    thinOutline(b, figure, filler(b, ink));
  else
    wideOutline(b, shape, pen.width / 2.0, ink);
}
