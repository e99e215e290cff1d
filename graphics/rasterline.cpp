#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/raster.h"

namespace {

// Rounds a value already clipped to [-1, width] up or down to an integer,
// cheaper than std::ceil and std::floor without SSE4.1.
inline int32_t ceilClipped(double v) {
  const auto i = static_cast<int32_t>(v);
  return i + (i < v);
}
inline int32_t floorClipped(double v) {
  const auto i = static_cast<int32_t>(v);
  return i - (i > v);
}

inline void fillRow(const pixelBuffer& b, int32_t y, double lo, double hi, uint32_t pixel) {
  if (lo < 0) lo = 0;
  const double last = b.width - 1;
  if (hi > last) hi = last;
  if (lo > hi) return;
  const int32_t x0 = ceilClipped(lo), x1 = floorClipped(hi);
  uint32_t* row = b.pixels + static_cast<size_t>(y) * b.width;
  for (int32_t x = x0; x <= x1; ++x) row[x] = pixel;
}

// Half widths of the round caps for the integer rows |v| <= r around an
// end point, sqrt(r^2 - v^2); kept for the last pen width used, since a
// picture is drawn with one pen.
struct capWidths {
  static constexpr int32_t cached = 32;
  double radius = -1;
  int32_t rows = 0;
  double half[cached + 1];

  double at(int32_t v) const { return half[v < 0 ? -v : v]; }
};

const capWidths& capsFor(double r) {
  thread_local capWidths caps;
  if (caps.radius != r) {
    caps.radius = r;
    caps.rows = static_cast<int32_t>(r);
    for (int32_t v = 0; v <= caps.rows; ++v) caps.half[v] = std::sqrt(r * r - static_cast<double>(v) * v);
  }
  return caps;
}

// Every pixel whose centre lies within r of the segment (a capsule). Each
// row of it is one interval: the union of the row's cuts through the two
// end discs and through the band between them.
void wideLine(const pixelBuffer& b, pixelPoint p0, pixelPoint p1, double r, uint32_t pixel) {
  if (p0.y > p1.y) std::swap(p0, p1);
  const double x0 = p0.x, y0 = p0.y, x1 = p1.x, y1 = p1.y;
  if (std::max(x0, x1) + r < 0 || std::min(x0, x1) - r > b.width - 1) return;
  const double rowLow = std::max(y0 - r, 0.0), rowHigh = std::min(y1 + r, b.height - 1.0);
  if (rowLow > rowHigh) return;
  const int32_t first = ceilClipped(rowLow), last = floorClipped(rowHigh);

  const bool tableCaps = r <= capWidths::cached;
  const capWidths* caps = tableCaps ? &capsFor(r) : nullptr;
  auto capHalf = [&](int32_t v) { return tableCaps ? caps->at(v) : std::sqrt(r * r - static_cast<double>(v) * v); };
  const int32_t capRows = static_cast<int32_t>(r);

  const double dx = x1 - x0, dy = y1 - y0;  // dy >= 0
  const double lengthSquared = dx * dx + dy * dy;
  // Band between the end normals, within r of the line through the ends,
  // cut by row y = y0 + v: x0 + v * slope -+ reach across the line, and
  // x0 + (0 .. lengthSquared) / dx - v * dy / dx along it.
  const double slope = dy > 0 ? dx / dy : 0;
  const double reach = dy > 0 ? r * std::sqrt(lengthSquared) / dy : 0;
  const double along = dx != 0 ? dy / dx : 0;
  const double alongEnd = dx != 0 ? lengthSquared / dx : 0;

  for (int32_t y = first; y <= last; ++y) {
    double lo = 1e300, hi = -1e300;
    const int32_t v0 = y - p0.y, v1 = y - p1.y;
    if (v0 >= -capRows && v0 <= capRows) {
      const double h = capHalf(v0);
      lo = x0 - h;
      hi = x0 + h;
    }
    if (v1 >= -capRows && v1 <= capRows) {
      const double h = capHalf(v1);
      lo = std::min(lo, x1 - h);
      hi = std::max(hi, x1 + h);
    }
    if (lengthSquared > 0) {
      double a, c;
      if (dy == 0) {
        // Horizontal: the band is the segment itself on rows within r.
        a = std::min(x0, x1);
        c = std::max(x0, x1);
        if (v0 < -capRows || v0 > capRows) a = 1, c = 0;
      } else {
        const double centre = x0 + v0 * slope;
        a = centre - reach;
        c = centre + reach;
        if (dx == 0) {
          if (v0 < 0 || v0 > dy) a = 1, c = 0;
        } else {
          const double s0 = x0 - v0 * along, s1 = s0 + alongEnd;
          a = std::max(a, std::min(s0, s1));
          c = std::min(c, std::max(s0, s1));
        }
      }
      if (a <= c) {
        lo = std::min(lo, a);
        hi = std::max(hi, c);
      }
    }
    fillRow(b, y, lo, hi, pixel);
  }
}

// On and off runs of the one-pixel pen styles, in pixels along the line.
struct dashPattern {
  int32_t runs[6];
  int32_t count;
  int32_t length;
};
constexpr dashPattern dashPatterns[5] = {
    {{1}, 1, 1},
    {{18, 6}, 2, 24},
    {{3, 3}, 2, 6},
    {{9, 6, 3, 6}, 4, 24},
    {{9, 3, 3, 3, 3, 3}, 6, 24},
};

bool dashOn(const dashPattern& pattern, int64_t step) {
  int32_t at = static_cast<int32_t>(step % pattern.length);
  for (int32_t i = 0; i < pattern.count; ++i) {
    if (at < pattern.runs[i]) return i % 2 == 0;
    at -= pattern.runs[i];
  }
  return true;
}

// One pixel per step along the longer axis, from the first pixel up to but
// not including the last; only the steps inside the buffer are walked.
void thinLine(const pixelBuffer& b, pixelPoint p0, pixelPoint p1, const rasterPen& pen) {
  const int64_t dx = static_cast<int64_t>(p1.x) - p0.x, dy = static_cast<int64_t>(p1.y) - p0.y;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
  const int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
  if (major == 0) return;
  const int64_t majorStart = xMajor ? p0.x : p0.y, minorStart = xMajor ? p0.y : p0.x;
  const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1, minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const int64_t majorExtent = xMajor ? b.width : b.height, minorExtent = xMajor ? b.height : b.width;

  int64_t firstStep = 0, lastStep = major - 1;
  if (majorStep > 0) {
    firstStep = std::max<int64_t>(firstStep, -majorStart);
    lastStep = std::min<int64_t>(lastStep, majorExtent - 1 - majorStart);
  } else {
    firstStep = std::max<int64_t>(firstStep, majorStart - (majorExtent - 1));
    lastStep = std::min<int64_t>(lastStep, majorStart);
  }
  if (firstStep > lastStep) return;

  // Minor offset at step i: the nearest integer to i * minor / major, halves
  // away from the start, kept as a quotient and remainder of
  // (2 i minor + major) / (2 major).
  const int64_t denominator = 2 * major;
  const int64_t numerator = 2 * firstStep * minor + major;
  int64_t offset = numerator / denominator, remainder = numerator % denominator;
  const dashPattern& pattern = dashPatterns[pen.style <= 4 ? pen.style : 0];
  const bool styled = pen.style >= 1 && pen.style <= 4;

  for (int64_t i = firstStep; i <= lastStep; ++i) {
    const int64_t a = majorStart + i * majorStep, m = minorStart + offset * minorStep;
    if (m >= 0 && m < minorExtent) {
      const int64_t x = xMajor ? a : m, y = xMajor ? m : a;
      b.pixels[static_cast<size_t>(y) * b.width + static_cast<size_t>(x)] =
          !styled || dashOn(pattern, i) ? pen.pixel : pen.gapPixel;
    }
    remainder += 2 * minor;
    if (remainder >= denominator) {
      remainder -= denominator;
      ++offset;
    }
  }
}

}  // namespace

void rasterLine(const pixelBuffer& buffer, pixelPoint from, pixelPoint to, const rasterPen& pen) {
  if (buffer.width <= 0 || buffer.height <= 0) return;
  if (pen.width <= 1) {
    thinLine(buffer, from, to, pen);
    return;
  }
  // Wider pens are solid, whatever their style.
  wideLine(buffer, from, to, pen.width / 2.0, pen.pixel);
}
