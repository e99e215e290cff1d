#include "graphics/rasterline.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace {

// Every pixel whose centre lies within r = width/2 of the pen's path (a
// capsule). An odd width is centred on the pixels of the end points; an
// even one on the corner up and left of them, between four pixels, so that
// it covers exactly its width across, as box outlines do, and its ends and
// joins stay round. Hence the end points are kept in half pixels.
struct halfPoint {
  int64_t x, y;  // twice the pixel coordinates
};

inline int64_t floorHalf(int64_t v) { return v >> 1; }  // an arithmetic shift floors
inline int64_t ceilHalf(int64_t v) { return -floorHalf(-v); }

// Bounds are in 32.32 fixed point, so that they step from row to row by
// integer additions and round to pixels by shifts: 64 bits for the short
// lines near the buffer that pictures are made of, 128 for any other.
__extension__ using wideFixed = __int128;

template <class Fixed>
inline Fixed toFixed(double v) {
  return static_cast<Fixed>(v * 4294967296.0);
}

// Half widths of the round ends on the rows around an end point, in fixed
// point, by the row's distance from it in half pixels u: sqrt(r^2 - (u/2)^2).
// Kept for the last pen used, since a picture is drawn with one pen.
struct capWidths {
  static constexpr int32_t CACHED_WIDTH = 64;
  int32_t width = -1;
  int64_t half[CACHED_WIDTH + 1] = {};
};

double capHalf(int32_t width, int64_t u) {
  const double r = width / 2.0, v = static_cast<double>(u) * 0.5;
  return std::sqrt(r * r - v * v);
}

thread_local constinit capWidths caps;

[[gnu::noinline]] void fillCaps(int32_t width) {
  caps.width = width;
  for (int32_t u = 0; u <= width; ++u) caps.half[u] = toFixed<int64_t>(capHalf(width, u));
}

inline const int64_t* cachedCaps(int32_t width) {
  if (caps.width != width) [[unlikely]] fillCaps(width);
  return caps.half;
}

// What a sloped line's bounds take from its extent (dx, dy) and pen alone:
// the root and the divisions.
struct lineSteps {
  double slope, reach, perColumn, lengthPerColumn;
};

lineSteps stepsOf(int64_t dx, int64_t dy, int32_t penWidth) {
  lineSteps s;
  const double r = penWidth / 2.0;
  const double lengthSquared = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
  const double perRow = 1.0 / dy;
  s.slope = dx * perRow;
  s.reach = r * std::sqrt(lengthSquared) * perRow;
  s.perColumn = dx != 0 ? 1.0 / dx : 0;
  s.lengthPerColumn = lengthSquared * s.perColumn;
  return s;
}

using pixelPair = uint32_t __attribute__((vector_size(8)));
using pixelQuad = uint32_t __attribute__((vector_size(16)));

// The first and last pixel of a row's bounds in fixed point, rounded inwards.
template <class Fixed>
inline Fixed firstPixelOf(Fixed lo) {
  return (lo + 0xFFFFFFFF) >> 32;
}
template <class Fixed>
inline Fixed lastPixelOf(Fixed hi) {
  return hi >> 32;
}

// Pixels x0..x1 of a row; none when x1 < x0.
inline void fillRun(uint32_t* row, int32_t x0, int32_t x1, uint32_t pixel) {
  const int32_t n = x1 - x0;
  // Stores are what a picture of short lines waits for, so the span is
  // written with as few as cover it: two of two pixels up to four, two of
  // four up to eight, overlapping in the middle.
  if (n <= 0) {
    if (n == 0) row[x0] = pixel;
    return;
  }
  if (n <= 3) {
    const pixelPair pair{pixel, pixel};
    std::memcpy(row + x0, &pair, sizeof pair);
    std::memcpy(row + x1 - 1, &pair, sizeof pair);
    return;
  }
  const pixelQuad quad{pixel, pixel, pixel, pixel};
  for (int32_t x = x0; x < x1 - 3; x += 4) std::memcpy(row + x, &quad, sizeof quad);
  std::memcpy(row + x1 - 3, &quad, sizeof quad);
}

// Pixels lo..hi of a row, given in fixed point and rounded inwards; Clip
// when they may reach outside the row.
template <class Fixed, bool Clip>
inline void fillFixed(uint32_t* row, int32_t width, Fixed lo, Fixed hi, uint32_t pixel) {
  Fixed first = firstPixelOf(lo), last = lastPixelOf(hi);
  if (Clip) {
    first = first < 0 ? 0 : first;
    last = last >= width ? width - 1 : last;
  }
  if (last < first) return;
  fillRun(row, static_cast<int32_t>(first), static_cast<int32_t>(last), pixel);
}

// Rows first..last of the line, each handed to span(y, lo, hi) with its
// bounds in fixed point.
template <class Fixed, class Span>
void wideRows(halfPoint p0, halfPoint p1, int32_t penWidth, int32_t first, int32_t last, Span&& span) {
  // Short lines (64-bit bounds) have pens the table holds.
  constexpr bool TABLED = std::is_same_v<Fixed, int64_t>;
  const int64_t* const table = TABLED || penWidth <= capWidths::CACHED_WIDTH ? cachedCaps(penWidth) : nullptr;
  auto capAt = [&](int64_t u) -> Fixed {
    u = u < 0 ? -u : u;
    if constexpr (TABLED) return table[u];
    return table ? Fixed{table[u]} : toFixed<Fixed>(capHalf(penWidth, u));
  };
  const double x0 = static_cast<double>(p0.x) * 0.5, y0 = static_cast<double>(p0.y) * 0.5;
  const Fixed end0 = static_cast<Fixed>(p0.x) * (Fixed{1} << 31);
  const Fixed end1 = static_cast<Fixed>(p1.x) * (Fixed{1} << 31);
  constexpr Fixed NONE = Fixed{1} << (8 * sizeof(Fixed) - 4);

  // The ends are equally far from the pixel grid, so their distance is whole.
  const int64_t dx = (p1.x - p0.x) / 2, dy = (p1.y - p0.y) / 2;
  if (dy == 0) {
    // Horizontal (or a dot): the discs widen the segment on rows within r.
    const Fixed from = std::min(end0, end1), to = std::max(end0, end1);
    for (int32_t y = first; y <= last; ++y) {
      const Fixed h = capAt(2 * int64_t{y} - p0.y);
      span(y, from - h, to + h);
    }
    return;
  }
  // The band between the end normals, within r of the line through the
  // ends, cut by row y0 + v: across the line x0 + v * dx/dy -+ reach,
  // along it x0 - v * dy/dx + (0 .. length^2 / dx). The four bounds step
  // by constants from row to row.
  const lineSteps steps = stepsOf(dx, dy, penWidth);
  const double v = first - y0;
  const Fixed slopeStep = toFixed<Fixed>(steps.slope);
  Fixed across0 = toFixed<Fixed>(x0 + v * steps.slope - steps.reach);
  Fixed across1 = across0 + toFixed<Fixed>(2 * steps.reach);
  Fixed along0 = -NONE, along1 = NONE, alongStep = 0;
  int64_t bandFirst = first, bandLast = last;
  if (dx != 0) {
    const double s0 = x0 - v * dy * steps.perColumn, s1 = s0 + steps.lengthPerColumn;
    along0 = toFixed<Fixed>(std::min(s0, s1));
    along1 = toFixed<Fixed>(std::max(s0, s1));
    alongStep = toFixed<Fixed>(-dy * steps.perColumn);
  } else {
    // Vertical: the band ends at the rows of the ends themselves.
    bandFirst = ceilHalf(p0.y);
    bandLast = floorHalf(p1.y);
  }
  // Rows more than r from both ends lie between them and cut only the
  // band, which is never empty there; the others add the end discs.
  const int64_t middleFirst = floorHalf(p0.y + penWidth) + 1, middleLast = ceilHalf(p1.y - penWidth) - 1;
  for (int32_t y = first; y <= last; ++y) {
    Fixed lo = std::max(across0, along0), hi = std::min(across1, along1);
    if (y < middleFirst || y > middleLast) {
      if (lo > hi || y < bandFirst || y > bandLast) lo = NONE, hi = -NONE;
      const int64_t u0 = 2 * int64_t{y} - p0.y, u1 = 2 * int64_t{y} - p1.y;
      if (u0 >= -penWidth && u0 <= penWidth) {
        const Fixed h = capAt(u0);
        lo = std::min(lo, end0 - h);
        hi = std::max(hi, end0 + h);
      }
      if (u1 >= -penWidth && u1 <= penWidth) {
        const Fixed h = capAt(u1);
        lo = std::min(lo, end1 - h);
        hi = std::max(hi, end1 + h);
      }
    }
    span(y, lo, hi);
    across0 += slopeStep;
    across1 += slopeStep;
    along0 += alongStep;
    along1 += alongStep;
  }
}

// The pixels of a wide line depend only on its extent and pen, not on
// where it lies: its ends sit on the pixel grid (or its corners), and no
// pixel centre lies on the edge of a capsule between such ends. So a short
// line's spans are worked out once per extent and pen, relative to its
// upper end, and a line that lies wholly inside the buffer is drawn from
// them: a picture has a few thousand extents among a hundred thousand lines.
constexpr int32_t STAMP_REACH = 32;  // |dx| and dy (from the upper end) of the stamped lines
constexpr int32_t STAMP_PEN = 7;     // the widest stamped pen
constexpr int32_t STAMP_ROWS = STAMP_REACH + STAMP_PEN + 1;
constexpr int32_t STAMP_COLUMNS = 2 * STAMP_REACH + 1;

// A stamp's rows are kept sorted by how they are stored: a single pixel,
// two overlapping pairs (two to four pixels), two overlapping quads (five
// to eight), or more; so each kind is one loop, with no branch on every
// row's length, which changes from row to row.
struct lineStamp {
  int8_t width = -1;  // the pen it was made for; -1 before
  uint8_t singles, pairs, quads, longer;
  struct row {
    int8_t y, first, last;  // from the upper end
  } rows[STAMP_ROWS];
};

[[gnu::noinline]] void makeStamp(lineStamp& stamp, int32_t dx, int32_t dy, int32_t penWidth) {
  const int64_t shift = penWidth % 2 == 0;
  const halfPoint p0{-shift, -shift}, p1{2 * int64_t{dx} - shift, 2 * int64_t{dy} - shift};
  const auto first = static_cast<int32_t>(ceilHalf(p0.y - penWidth));
  const auto last = static_cast<int32_t>(floorHalf(p1.y + penWidth));
  lineStamp::row byKind[4][STAMP_ROWS];
  uint8_t counts[4] = {};
  wideRows<int64_t>(p0, p1, penWidth, first, last, [&](int32_t y, int64_t lo, int64_t hi) {
    const int64_t a = firstPixelOf(lo), b = lastPixelOf(hi);
    if (b < a) return;
    const int kind = b == a ? 0 : b - a <= 3 ? 1 : b - a <= 7 ? 2 : 3;
    byKind[kind][counts[kind]++] = {static_cast<int8_t>(y), static_cast<int8_t>(a), static_cast<int8_t>(b)};
  });
  lineStamp::row* to = stamp.rows;
  for (int kind = 0; kind < 4; ++kind) to = std::copy(byKind[kind], byKind[kind] + counts[kind], to);
  stamp.singles = counts[0];
  stamp.pairs = counts[1];
  stamp.quads = counts[2];
  stamp.longer = counts[3];
  stamp.width = static_cast<int8_t>(penWidth);
}

// The thread's stamps, made as lines need them; looked at through a plain
// pointer, since a thread_local with a destructor costs a call on every use.
thread_local constinit lineStamp* stampTable = nullptr;
thread_local constinit bool stampTableTried = false;

[[gnu::noinline]] lineStamp* makeStampTable() {
  thread_local std::unique_ptr<lineStamp[]> held;  // frees it when the thread ends
  stampTableTried = true;
  held.reset(new (std::nothrow) lineStamp[STAMP_COLUMNS * (STAMP_REACH + 1)]);
  return stampTable = held.get();
}

// The stamp of the line from its upper end by (dx, dy), or null where the
// line is too long or the pen too wide for one, or there is no memory.
inline const lineStamp* stampOf(int32_t dx, int32_t dy, int32_t penWidth) {
  if (dy > STAMP_REACH || dx < -STAMP_REACH || dx > STAMP_REACH || penWidth > STAMP_PEN) return nullptr;
  lineStamp* table = stampTable;
  if (!table && !stampTableTried) table = makeStampTable();
  if (!table) return nullptr;
  lineStamp& stamp = table[dy * STAMP_COLUMNS + dx + STAMP_REACH];
  if (stamp.width != penWidth) [[unlikely]] makeStamp(stamp, dx, dy, penWidth);
  return &stamp;
}

void drawStamp(const pixelBuffer& b, const lineStamp& stamp, pixelPoint upper, uint32_t pixel) {
  uint32_t* const at = b.pixels + static_cast<ptrdiff_t>(upper.y) * b.width + upper.x;
  const ptrdiff_t width = b.width;
  const lineStamp::row* r = stamp.rows;
  for (const lineStamp::row* end = r + stamp.singles; r != end; ++r) at[r->y * width + r->first] = pixel;
  const pixelPair pair{pixel, pixel};
  for (const lineStamp::row* end = r + stamp.pairs; r != end; ++r) {
    uint32_t* const row = at + r->y * width;
    std::memcpy(row + r->first, &pair, sizeof pair);
    std::memcpy(row + r->last - 1, &pair, sizeof pair);
  }
  const pixelQuad quad{pixel, pixel, pixel, pixel};
  for (const lineStamp::row* end = r + stamp.quads; r != end; ++r) {
    uint32_t* const row = at + r->y * width;
    std::memcpy(row + r->first, &quad, sizeof quad);
    std::memcpy(row + r->last - 3, &quad, sizeof quad);
  }
  for (const lineStamp::row* end = r + stamp.longer; r != end; ++r) fillRun(at + r->y * width, r->first, r->last, pixel);
}

// Short lines near the buffer: every bound stays within 64-bit fixed point.
constexpr int32_t SHORT_LINE_REACH = 1024;     // |dx|, |dy| at most this
constexpr int32_t SHORT_LINE_RANGE = 1 << 15;  // |coordinates| at most this

bool isShortLine(pixelPoint p0, pixelPoint p1, int32_t penWidth) {
  auto near = [](int32_t v) { return v >= -SHORT_LINE_RANGE && v <= SHORT_LINE_RANGE; };
  return penWidth <= capWidths::CACHED_WIDTH && near(p0.x) && near(p0.y) && near(p1.x) && near(p1.y) &&
         std::abs(p1.x - p0.x) <= SHORT_LINE_REACH && std::abs(p1.y - p0.y) <= SHORT_LINE_REACH;
}

// Lines that no stamp draws, row by row. Apart from the stamped path, so
// that the stamped lines, nearly all of a picture's, do not pay for its
// registers and stack.
[[gnu::noinline]] void wideLineByRows(const pixelBuffer& b, pixelPoint from, pixelPoint to, int32_t penWidth,
                                      uint32_t pixel) {
  const int64_t shift = penWidth % 2 == 0;
  const halfPoint p0{2 * int64_t{from.x} - shift, 2 * int64_t{from.y} - shift};
  const halfPoint p1{2 * int64_t{to.x} - shift, 2 * int64_t{to.y} - shift};
  const int64_t top = ceilHalf(p0.y - penWidth), bottom = floorHalf(p1.y + penWidth);
  const int64_t first = std::max<int64_t>(top, 0), last = std::min<int64_t>(bottom, b.height - 1);
  const int64_t left = floorHalf(std::min(p0.x, p1.x) - penWidth), right = ceilHalf(std::max(p0.x, p1.x) + penWidth);
  if (first > last || right < 0 || left >= b.width) return;
  const bool inside = top == first && bottom == last && left >= 0 && right < b.width;
  uint32_t* const pixels = b.pixels;
  const int32_t width = b.width;
  const auto rows = [&](auto fixed, auto clip) {
    using Fixed = decltype(fixed);
    wideRows<Fixed>(p0, p1, penWidth, static_cast<int32_t>(first), static_cast<int32_t>(last),
                    [&](int32_t y, Fixed lo, Fixed hi) {
                      fillFixed<Fixed, decltype(clip)::value>(pixels + static_cast<size_t>(y) * width, width, lo, hi,
                                                              pixel);
                    });
  };
  if (!isShortLine(from, to, penWidth))
    rows(wideFixed{}, std::true_type{});
  else if (!inside)
    rows(int64_t{}, std::true_type{});
  else
    rows(int64_t{}, std::false_type{});
}

// From the upper end down. A stamped line lies wholly inside the buffer:
// its pixels reach at most half the pen's width, plus one, beyond its ends.
void wideLine(const pixelBuffer& b, pixelPoint from, pixelPoint to, int32_t penWidth, uint32_t pixel) {
  // Swapped without a branch: which end is the upper one changes from one
  // line of a picture to the next.
  auto a = std::bit_cast<uint64_t>(from), c = std::bit_cast<uint64_t>(to);
  const uint64_t change = (a ^ c) & (0 - static_cast<uint64_t>(from.y > to.y));
  from = std::bit_cast<pixelPoint>(a ^ change);
  to = std::bit_cast<pixelPoint>(c ^ change);
  const int32_t reach = penWidth / 2 + 1;
  const bool near = from.x >= reach && from.y >= reach && to.x >= reach && to.y < b.height - reach &&
                    from.x < b.width - reach && to.x < b.width - reach;
  if (near) {
    if (const lineStamp* stamp = stampOf(to.x - from.x, to.y - from.y, penWidth)) {
      drawStamp(b, *stamp, from, pixel);
      return;
    }
  }
  wideLineByRows(b, from, to, penWidth, pixel);
}

// On and off runs of the one-pixel pen styles, in pixels along the line.
struct dashPattern {
  int32_t runs[6];
  int32_t count;
  int32_t length;
};
constexpr dashPattern DASH_PATTERNS[5] = {
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
  const bool styled = pen.style >= 1 && pen.style <= 4;

  for (int64_t i = firstStep; i <= lastStep; ++i) {
    const int64_t a = majorStart + i * majorStep, m = minorStart + offset * minorStep;
    const int64_t x = xMajor ? a : m, y = xMajor ? m : a;
    if (m >= 0 && m < minorExtent) {
      b.pixels[static_cast<size_t>(y) * b.width + static_cast<size_t>(x)] =
          !styled || penDashOn(pen.style, i) ? pen.pixel : pen.gapPixel;
    }
    remainder += 2 * minor;
    if (remainder >= denominator) {
      remainder -= denominator;
      ++offset;
    }
  }
}

}  // namespace

bool penDashOn(uint32_t style, int64_t step) { return dashOn(DASH_PATTERNS[style <= 4 ? style : 0], step); }

void rasterLine(const pixelBuffer& buffer, pixelPoint from, pixelPoint to, const rasterPen& pen) {
  if (buffer.width <= 0 || buffer.height <= 0) return;
  if (pen.width <= 1) {
    thinLine(buffer, from, to, pen);
    return;
  }
  // Wider pens are solid, whatever their style.
  wideLine(buffer, from, to, pen.width, pen.pixel);
}
