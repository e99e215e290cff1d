#pragma once
#include <cstdint>

// Colours are 0x00BBGGRR; two values are special.
inline constexpr int32_t COLOR_DEFAULT = -1;  // the target's foreground (pen) or background (clear)
inline constexpr int32_t COLOR_NONE = -2;     // no fill
inline constexpr int32_t CORNER_ELLIPSE = INT32_MIN;  // 0x80000000: the ellipse inscribed in the box

// All of these act on the calling thread's target and do nothing without one.
void graphicSetPenWidth(int32_t width);
void graphicSetPenStyle(uint32_t style);
// (x1, y1) becomes the top-left and (x2, y2) the bottom-right corner.
void graphicSetScale(float x1, float y1, float x2, float y2);
void graphicClear(int32_t colour, uint32_t fillStyle);
void graphicSetPos(double x, double y, bool relative);
void graphicLineTo(double x, double y, int32_t colour, bool relative);
void graphicBox(float x1, float y1, float x2, float y2, int32_t corner, int32_t outline, int32_t fill,
                uint32_t fillStyle);
