#pragma once
#include <cstddef>
#include <cstdint>

struct cleanupEntry;

// The demo: opens the window, places the terminal beside it, shows level 0
// and runs the level loop until Esc, or Enter after the last level. Returns 0.
int32_t programMain(void* module, void* previous, const char* commandTail, int32_t showWindowValue);

// Why the level loop had to stop before the user ended it, as one line of
// text such as "out of memory: level 5 cannot be shown"; empty otherwise.
const char* programFailure();

// The first view (30, -30 degrees) and the single point of level 0.
void setFirstView();
void setLevelZero();

// The demo's global dynamic variables, released at shutdown.
extern const cleanupEntry programCleanupTable[];
extern const size_t programCleanupCount;
