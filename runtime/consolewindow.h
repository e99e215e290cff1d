#pragma once
#include <cstdint>

// The terminal's own X11 window; 0 when there is no display or it cannot be
// found (looked for again on the next call).
uint32_t consoleWindow();
// Moves the terminal window's frame to screen pixel (x, y), size and stacking kept.
void consoleMoveWindow(int32_t x, int32_t y);
// Activates the terminal window so that it has the keyboard focus.
void consoleToFront();
