#pragma once
#include <cstdint>

#include "runtime/arrays.h"

enum sortOrder : int32_t { SORT_ASCENDING = 0, SORT_DESCENDING = 1 };

// Sorts `count` elements (0: to the end) from subscript `first`, permuting
// the elements of `tags`, if given, in step. Not stable.
void arraySort(dynArray& a, int32_t first, int32_t count, sortOrder order, dynArray* tags = nullptr);
