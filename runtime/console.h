#pragma once
#include <cstdint>

#include "runtime/strings.h"

// Cell-addressed output to the terminal's screen. Positions are 1-based,
// column first; a coordinate of 0 or off the screen keeps its current value.
void consoleLocate(int32_t column, int32_t row);
void consolePrint(rtStringRef text);
void consoleNewLine();
void consoleScrollUp();
void consolePrintNumber(long double x);  // formatNumber with 15 digits
// 0 hides the cursor; a positive size shows it (clamped to 10..99); a
// negative value shows it with the size unchanged.
void consoleCursor(int32_t size);
