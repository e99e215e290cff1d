#pragma once

// Resets the per-program state: registry, console and key state, and the
// floating-point control word (all exceptions masked, 64-bit significand,
// round to nearest).
void programInit();
