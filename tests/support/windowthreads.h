#pragma once
#include <cstdint>

// How many threads of this process are window threads, as the system sees
// them: a thread counts until it has really ended.
int32_t graphicWindowThreads();
