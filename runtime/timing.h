#pragma once
#include <cstdint>

// Suspends the calling thread for n milliseconds; 0 yields the time slice.
void sleepMs(int32_t n);
