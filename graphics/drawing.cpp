#include "graphics/drawing.h"

#include <algorithm>
#include <cmath>

#include "graphics/currenttarget.h"
#include "graphics/drawthread.h"
#include "graphics/raster.h"
#include "graphics/rastershape.h"
#include "graphics/refresh.h"
#include "graphics/userpixels.h"

namespace {

// Pens and brushes are made afresh for every call from its arguments and
// the target's state; gaps of styled pens and hatches show the background.
[[gnu::always_inline]] inline rasterPen penOf(const graphicTarget& t, uint32_t colour) {
  return {t.penWidth, t.penStyle, pixelOf(colour), pixelOf(t.background)};
}

rasterBrush brushOf(const graphicTarget& t, int32_t colour, uint32_t fillStyle) {
  if (colour == COLOR_NONE) return {brushKind::none, 0, 0, 0};
  const uint32_t style = fillStyle > 6 ? 0 : fillStyle;
  const uint32_t pixel = pixelOf(static_cast<uint32_t>(colour));
  if (style == 0) return {brushKind::solid, pixel, pixel, 0};
  return {brushKind::hatch, pixel, pixelOf(t.background), style};
}

}  // namespace

void graphicSetPenWidth(int32_t width) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  targetLock lock(*t);
  t->penWidth = width;
}

void graphicSetPenStyle(uint32_t style) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  targetLock lock(*t);
  t->penStyle = style > 4 ? 0 : style;
}

void graphicSetScale(float x1, float y1, float x2, float y2) {
  graphicTarget* t = currentTarget();
  if (!t || x1 == x2 || y1 == y2) return;
  targetLock lock(*t);
  uint32_t flips = 0;
  if (x1 < x2) {
    t->originX = x1;
  } else {
    t->originX = x2;
    flips |= TARGET_FLIP_X;
  }
  if (y1 < y2) {
    t->originY = y1;
  } else {
    t->originY = y2;
    flips |= TARGET_FLIP_Y;
  }
  t->scaleX = static_cast<float>(t->width / std::fabs(static_cast<long double>(x2) - x1));
  t->scaleY = static_cast<float>(t->height / std::fabs(static_cast<long double>(y2) - y1));
  // Bit by bit: the window thread may change hasFocus in the same word.
  t->flags.fetch_and(~(TARGET_FLIP_X | TARGET_FLIP_Y), std::memory_order_relaxed);
  t->flags.fetch_or(flips, std::memory_order_relaxed);
}

void graphicClear(int32_t colour, uint32_t fillStyle) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  {
    targetLock lock(*t);
    const int32_t fill = colour == COLOR_DEFAULT ? static_cast<int32_t>(t->background) : colour;
    clearSoon(*t, lock, brushOf(*t, fill, fillStyle));
    t->posX = t->posY = 0;
  }
  applyRefreshRule(*t);
}

void graphicSetPos(double x, double y, bool relative) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  targetLock lock(*t);
  const pixelPoint p = toUserPixels(*t, x, y, relative);
  t->posX = p.x;
  t->posY = p.y;
}

void graphicLineTo(double x, double y, int32_t colour, bool relative) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  {
    targetLock lock(*t);
    const pixelPoint from{t->posX, t->posY};
    const pixelPoint to = toUserPixels(*t, x, y, relative);
    t->posX = to.x;
    t->posY = to.y;
    const uint32_t ink = colour == COLOR_DEFAULT ? t->foreground : static_cast<uint32_t>(colour);
    drawLineSoon(*t, lock, from, to, penOf(*t, ink));
  }
  applyRefreshRule(*t);
}

void graphicBox(float x1, float y1, float x2, float y2, int32_t corner, int32_t outline, int32_t fill,
                uint32_t fillStyle) {
  graphicTarget* t = currentTarget();
  if (!t) return;
  {
    targetLock lock(*t);
    const pixelPoint a = toUserPixels(*t, x1, y1, false), b = toUserPixels(*t, x2, y2, false);
    const uint32_t ink = (outline == COLOR_DEFAULT ? t->foreground : static_cast<uint32_t>(outline)) & 0x00FFFFFF;
    if (corner != CORNER_ELLIPSE && static_cast<uint32_t>(corner) > 100) corner = 100;
    const int32_t filling = fill == COLOR_DEFAULT ? static_cast<int32_t>(ink) : fill;
    const int32_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int32_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    int32_t ew, eh;
    if (corner == CORNER_ELLIPSE) {
      ew = right - left + 1;
      eh = bottom - top + 1;
    } else {
      ew = eh = static_cast<int32_t>(static_cast<int64_t>(corner) * std::min(right - left, bottom - top) / 100);
    }
    rasterRoundRect(t->settledPixels(lock), left, top, right, bottom, ew, eh, penOf(*t, ink), brushOf(*t, filling, fillStyle));
  }
  applyRefreshRule(*t);
}
