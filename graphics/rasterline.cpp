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
  int64_t fixedHalf[cached + 1];  // the same in 32.32 fixed point

  double at(int32_t v) const { return half[v < 0 ? -v : v]; }
};

const capWidths& capsFor(double r) {
  thread_local capWidths caps;
  if (caps.radius != r) {
    caps.radius = r;
    caps.rows = static_cast<int32_t>(r);
    for (int32_t v = 0; v <= caps.rows; ++v) {
      caps.half[v] = std::sqrt(r * r - static_cast<double>(v) * v);
      caps.fixedHalf[v] = static_cast<int64_t>(caps.half[v] * 4294967296.0);
    }
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
  const uint32_t capSpan = 2 * static_cast<uint32_t>(capRows);

  const double dx = x1 - x0, dy = y1 - y0;  // dy >= 0
  if (dy == 0) {
    // Horizontal (or a dot): the discs widen the segment on rows within r.
    const double left = std::min(x0, x1), right = std::max(x0, x1);
    for (int32_t y = first; y <= last; ++y) {
      const double h = capHalf(y - p0.y);
      fillRow(b, y, left - h, right + h, pixel);
    }
    return;
  }

  // The band between the end normals, within r of the line through the
  // ends, cut by row y0 + v: across the line x0 + v * dx/dy -+ reach,
  // along it x0 - v * dy/dx + (0 .. length^2 / dx). All four bounds move
  // by a constant from row to row.
  const double lengthSquared = dx * dx + dy * dy;
  const double slope = dx / dy, reach = r * std::sqrt(lengthSquared) / dy;
  const double v = first - y0;
  double across0 = x0 + v * slope - reach, across1 = across0 + 2 * reach;
  double along0, along1, alongStep;
  int32_t bandFirst = first, bandLast = last;
  if (dx != 0) {
    const double s0 = x0 - v * (dy / dx), s1 = s0 + lengthSquared / dx;
    along0 = std::min(s0, s1);
    along1 = std::max(s0, s1);
    alongStep = -dy / dx;
  } else {
    // Vertical: the band ends at the end rows themselves.
    along0 = -1e300;
    along1 = 1e300;
    alongStep = 0;
    bandFirst = p0.y;
    bandLast = p1.y;
  }

  for (int32_t y = first; y <= last; ++y) {
    double lo = std::max(across0, along0), hi = std::min(across1, along1);
    if (lo > hi || y < bandFirst || y > bandLast) lo = 1e300, hi = -1e300;
    const int32_t v0 = y - p0.y, v1 = y - p1.y;
    if (static_cast<uint32_t>(v0 + capRows) <= capSpan) {
      const double h = capHalf(v0);
      lo = std::min(lo, x0 - h);
      hi = std::max(hi, x0 + h);
    }
    if (static_cast<uint32_t>(v1 + capRows) <= capSpan) {
      const double h = capHalf(v1);
      lo = std::min(lo, x1 - h);
      hi = std::max(hi, x1 + h);
    }
    fillRow(b, y, lo, hi, pixel);
    across0 += slope;
    across1 += slope;
    along0 += alongStep;
    along1 += alongStep;
  }
}

// The same for a short line near the buffer (every line of the program's
// pictures), in 32.32 fixed point: the bounds step by integer additions and
// round to pixels by shifts.
constexpr int32_t shortLineReach = 1024;   // |dx|, |dy| at most this
constexpr int32_t shortLineRange = 1 << 15;  // |coordinates| at most this

bool isShortLine(pixelPoint p0, pixelPoint p1, double r) {
  auto near = [](int32_t v) { return v >= -shortLineRange && v <= shortLineRange; };
  return r <= capWidths::cached && near(p0.x) && near(p0.y) && near(p1.x) && near(p1.y) &&
         std::abs(p1.x - p0.x) <= shortLineReach && std::abs(p1.y - p0.y) <= shortLineReach;
}

inline int64_t toFixed(double v) { return static_cast<int64_t>(v * 4294967296.0); }

// Pixels lo..hi of a row, given in 32.32 fixed point and rounded inwards;
// Clip when they may reach outside the row.
template <bool Clip>
inline void fillFixed(uint32_t* row, int32_t width, int64_t lo, int64_t hi, uint32_t pixel) {
  int32_t x0 = static_cast<int32_t>((lo + 0xFFFFFFFF) >> 32), x1 = static_cast<int32_t>(hi >> 32);
  if (Clip) {
    x0 = x0 < 0 ? 0 : x0;
    x1 = x1 >= width ? width - 1 : x1;
  }
  const int32_t n = x1 - x0;
  if (n < 0) return;
  if (n <= 3) {
    // Up to four pixels, the usual case: two stores from each end,
    // overlapping, cost less than a loop of unforeseeable length.
    const int32_t one = n > 0;
    row[x0] = row[x0 + one] = row[x1 - one] = row[x1] = pixel;
    return;
  }
  for (int32_t x = x0; x <= x1; ++x) row[x] = pixel;
}

template <bool Clip>
void shortWideLine(const pixelBuffer& b, pixelPoint p0, pixelPoint p1, double r, uint32_t pixel, int32_t first,
                   int32_t last) {
  uint32_t* const pixels = b.pixels;
  const int32_t width = b.width;
  const int32_t capRows = static_cast<int32_t>(r);
  const int64_t* const capHalf = capsFor(r).fixedHalf;
  const int64_t end0 = static_cast<int64_t>(p0.x) * (int64_t{1} << 32);
  const int64_t end1 = static_cast<int64_t>(p1.x) * (int64_t{1} << 32);
  constexpr int64_t none = INT64_MAX / 4;

  const int32_t dx = p1.x - p0.x, dy = p1.y - p0.y;
  if (dy == 0) {
    // Horizontal (or a dot): the discs widen the segment on rows within r.
    const int64_t from = std::min(end0, end1), to = std::max(end0, end1);
    for (int32_t y = first; y <= last; ++y) {
      const int32_t v = y - p0.y;
      const int64_t h = capHalf[v < 0 ? -v : v];
      fillFixed<Clip>(pixels + static_cast<size_t>(y) * width, width, from - h, to + h, pixel);
    }
    return;
  }
  // The band between the end normals, within r of the line through the
  // ends, cut by row y0 + v: across the line x0 + v * dx/dy -+ reach,
  // along it x0 - v * dy/dx + (0 .. length^2 / dx). The four bounds step
  // by constants from row to row.
  const double lengthSquared = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
  const double perRow = 1.0 / dy;
  const double slope = dx * perRow, reach = r * std::sqrt(lengthSquared) * perRow;
  const double v = first - p0.y;
  const int64_t slopeStep = toFixed(slope);
  int64_t across0 = toFixed(p0.x + v * slope - reach), across1 = across0 + toFixed(2 * reach);
  int64_t along0 = -none, along1 = none, alongStep = 0;
  int32_t bandFirst = first, bandLast = last;
  if (dx != 0) {
    const double perColumn = 1.0 / dx;
    const double s0 = p0.x - v * dy * perColumn, s1 = s0 + lengthSquared * perColumn;
    along0 = toFixed(std::min(s0, s1));
    along1 = toFixed(std::max(s0, s1));
    alongStep = toFixed(-dy * perColumn);
  } else {
    // Vertical: the band ends at the end rows themselves.
    bandFirst = p0.y;
    bandLast = p1.y;
  }
  // Rows more than r from both ends lie between them and cut only the
  // band, which is never empty there; the others add the end discs.
  const int32_t middleFirst = p0.y + capRows + 1, middleLast = p1.y - capRows - 1;
  for (int32_t y = first; y <= last; ++y) {
    int64_t lo = std::max(across0, along0), hi = std::min(across1, along1);
    if (y < middleFirst || y > middleLast) {
      if (lo > hi || y < bandFirst || y > bandLast) lo = none, hi = -none;
      const int32_t v0 = y - p0.y, v1 = y - p1.y;
      if (v0 >= -capRows && v0 <= capRows) {
        const int64_t h = capHalf[v0 < 0 ? -v0 : v0];
        lo = std::min(lo, end0 - h);
        hi = std::max(hi, end0 + h);
      }
      if (v1 >= -capRows && v1 <= capRows) {
        const int64_t h = capHalf[v1 < 0 ? -v1 : v1];
        lo = std::min(lo, end1 - h);
        hi = std::max(hi, end1 + h);
      }
    }
    fillFixed<Clip>(pixels + static_cast<size_t>(y) * width, width, lo, hi, pixel);
    across0 += slopeStep;
    across1 += slopeStep;
    along0 += alongStep;
    along1 += alongStep;
  }
}

void shortWideLine(const pixelBuffer& b, pixelPoint p0, pixelPoint p1, double r, uint32_t pixel) {
  if (p0.y > p1.y) std::swap(p0, p1);
  const int32_t capRows = static_cast<int32_t>(r);
  const int32_t first = std::max(p0.y - capRows, 0), last = std::min(p1.y + capRows, b.height - 1);
  const int32_t left = std::min(p0.x, p1.x) - capRows, right = std::max(p0.x, p1.x) + capRows;
  if (first > last || right < 0 || left >= b.width) return;
  if (left < 0 || right >= b.width)
    shortWideLine<true>(b, p0, p1, r, pixel, first, last);
  else
    shortWideLine<false>(b, p0, p1, r, pixel, first, last);
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
  const double r = pen.width / 2.0;
  if (isShortLine(from, to, r))
    shortWideLine(buffer, from, to, r, pen.pixel);
  else
    wideLine(buffer, from, to, r, pen.pixel);
}
