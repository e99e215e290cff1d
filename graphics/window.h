#pragma once
#include <cstdint>

#include "runtime/strings.h"

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
