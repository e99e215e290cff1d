#pragma once

// Resets the per-program state: registry, console and key state, and the
// floating-point control word (all exceptions masked, 64-bit significand,
// round to nearest).
void programInit();

// Sets the calling thread's floating-point control as programInit does; a
// thread that computes part of what the program's own threads compute
// starts with it.
void setFloatingPointControl();
