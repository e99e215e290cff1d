#pragma once
#include <cstddef>
#include <cstdint>

struct dynArray;
class rtString;

// A global dynamic variable that shutdown releases.
struct cleanupEntry {
  dynArray* array;   // released with arrayErase, or
  rtString* string;  // released by freeing it
};

using programMainFn = int32_t (*)(void* module, void* previous, const char* commandTail,
                                  int32_t showWindowValue);

// The process's way in and out: sets the console up, records the start-up
// values, creates the main thread's block, runs programInit and programMain,
// and shuts down. Returns the exit code for main() to return: 1 when no keys
// can be read (consoleFailure says why; programMain is not called), 255 when
// the main thread block cannot be had.
int runtimeStartup(int argc, char** argv, programMainFn programMain, const cleanupEntry* cleanupTable,
                   size_t cleanupCount);

// Releases everything in order; returns exitCode.
int runtimeShutdown(int exitCode, const cleanupEntry* cleanupTable, size_t cleanupCount);
