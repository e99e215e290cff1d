#pragma once
#include <cstdint>

// Makes the child control `controlId` of `window` (or the window itself) the
// calling thread's drawing target; error 5 and no target when it is not a
// canvas or bitmap. A buffered target reaches the screen only on graphicRedraw.
void graphicAttach(uint32_t window, int32_t controlId, bool buffered);

// Returns once the screen shows the back buffer as it was when the call began.
void graphicRedraw();
