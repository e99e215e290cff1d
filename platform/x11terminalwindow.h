#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// X11 look-ups for the terminal's own window. Windows are X window ids, 0
// for none. Each call opens a connection of its own to displayName (nullptr:
// $DISPLAY) and closes it again; every call fails quietly when there is no
// display.

// True when the display can be reached at all.
bool x11DisplayAvailable(const char* displayName);
// The top-level client window that holds window: the first one up the tree
// with WM_STATE, or the child of the root when no window manager runs.
uint32_t x11TopLevelWindow(const char* displayName, uint32_t window);
// The searches below look at the top-level client windows only and give up,
// with 0, once `deadline` has passed.
using x11Deadline = std::chrono::steady_clock::time_point;
// Calls `retitle`, which has the terminal show `title`, and waits for the
// top-level client window that takes that title (WM_NAME or _NET_WM_NAME).
uint32_t x11FindWindowRetitled(const char* displayName, const char* title, const std::function<void()>& retitle,
                               x11Deadline deadline);
// The window of the first of `processes` (by _NET_WM_PID, on this machine
// by WM_CLIENT_MACHINE) that has any, provided it has only that one: with
// several, which one holds the terminal cannot be told.
uint32_t x11FindWindowOfProcesses(const char* displayName, const std::vector<int32_t>& processes,
                                  x11Deadline deadline);
// Moves the window's frame so that its top-left corner is at (x, y); size and
// stacking are kept.
void x11MoveWindowFrame(const char* displayName, uint32_t window, int32_t x, int32_t y);
// Activates the window (keyboard focus) the way the window manager wants it:
// _NET_ACTIVE_WINDOW when it supports that, else raise and focus directly.
void x11ActivateWindow(const char* displayName, uint32_t window);
