#pragma once
#include <cstdint>

#include "runtime/strings.h"

// Bits of the style word passed to graphicWindowCreate.
inline constexpr uint32_t STYLE_POPUP = 0x80000000;
inline constexpr uint32_t STYLE_BORDER = 0x00800000;
inline constexpr uint32_t STYLE_DIALOG_FRAME = 0x00400000;
inline constexpr uint32_t STYLE_CAPTION = STYLE_BORDER | STYLE_DIALOG_FRAME;  // a title bar
inline constexpr uint32_t STYLE_SIZING_BORDER = 0x00040000;
inline constexpr uint32_t STYLE_SYSTEM_MENU = 0x00080000;
inline constexpr uint32_t STYLE_MINIMIZE_BOX = 0x00020000;
inline constexpr uint32_t STYLE_MAXIMIZE_BOX = 0x00010000;
// What style 0 stands for: a pop-up with a border, a system menu and a
// minimise box, and a caption when there is a title.
inline constexpr uint32_t STYLE_DEFAULT_FRAME = STYLE_POPUP | STYLE_BORDER | STYLE_SYSTEM_MENU | STYLE_MINIMIZE_BOX;
static_assert(STYLE_DEFAULT_FRAME == 0x808A0000 && STYLE_CAPTION == 0x00C00000);

// The class every graphic window's frame has (WM_CLASS).
inline constexpr char WINDOW_CLASS[] = "TORVAGRAPH";
// The frame's WM_CLASS instance: the program's own name.
inline constexpr char WINDOW_INSTANCE_NAME[] = "hilbert3d";

// Opens a frame whose client area is exactly width x height pixels with its
// outer top-left corner at (x, y), covered by one canvas (control id 0), on a
// window thread of its own. Returns the frame's handle once the window exists,
// or 0 when it could not be made (graphicWindowFailure then says why).
// style 0 is the default frame; an empty title with style 0 has no caption.
uint32_t graphicWindowCreate(rtStringRef title, int32_t x, int32_t y, int32_t width, int32_t height,
                             uint32_t style);

// Why the last graphicWindowCreate on this thread returned 0, as one line of
// text such as "cannot open display :99"; empty after a success.
const char* graphicWindowFailure();
