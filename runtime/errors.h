#pragma once
#include <cstdint>

// Runtime operations never throw: a failing one leaves its number here and
// returns a neutral result. Nothing in the program reads it; tests do.
inline constexpr int32_t ERROR_BAD_ARGUMENT = 5;
inline constexpr int32_t ERROR_OUT_OF_MEMORY = 7;
inline constexpr int32_t ERROR_OUT_OF_RANGE = 9;  // bound out of range or size overflow
inline constexpr int32_t ERROR_FAILED = 51;       // a failure without a number of its own

// The error number of the routine running on this thread; 0 while none occurred.
// constinit: statically initialised, so no thread-local wrapper call is needed
// (GCC 12 miscompiles that wrapper's null check under -fsanitize=null).
extern thread_local constinit int32_t errorCode;

inline void raiseError(int32_t number) { errorCode = number; }
