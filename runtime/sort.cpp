#include "runtime/sort.h"

#include <algorithm>
#include <cstring>

#include "runtime/errors.h"

namespace {

constexpr uint32_t MAX_SORT_ELEMENT_SIZE = 524288;

// Tags may have any element size; they are swapped byte by byte.
struct tagSwapper {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  void swap(int64_t i, int64_t j) const {
    if (data == nullptr) return;
    std::swap_ranges(data + i * size, data + (i + 1) * size, data + j * size);
  }
};

// Tags of four bytes (the usual 32-bit orders) swap as words; no tags at all
// swap nothing.
struct wordTagSwapper {
  uint32_t* data;
  void swap(int64_t i, int64_t j) const { std::swap(data[i], data[j]); }
};
struct noTagSwapper {
  void swap(int64_t, int64_t) const {}
};

struct range {
  int64_t lo;
  int64_t hi;
};

// The partitioning below fixes where equal keys end up, so it is kept exactly
// as it is: middle pivot, both scans stopping on keys equal to it, guarded by
// the range ends, and a swap only for i < j. The two parts left behind are
// disjoint and each is sorted by itself, so doing the smaller one first (to
// bound the pending list by the logarithm of the count) gives the same result
// as taking the lower part first.
//
// Away from the middle, the scans run in blocks: the stops of a block of
// each side are noted without a branch, then swapped pairwise, the k-th stop
// from the left with the k-th from the right, which is what the scans do one
// by one there, where a side's stops cannot have been moved by the other's
// swaps. A branch per key costs more than its comparison.
template <class T, bool Descending>
inline bool goesBefore(T a, T b) {
  if constexpr (Descending)
    return a > b;
  else
    return a < b;
}

template <int64_t BLOCK_SIZE, class T, bool Descending, class Tags>
void swapBlocks(T* key, const Tags& tags, T p, int64_t& i, int64_t& j) {
  uint8_t left[BLOCK_SIZE], right[BLOCK_SIZE];
  int64_t leftFrom = 0, leftCount = 0, rightFrom = 0, rightCount = 0;
  int64_t leftBase = i, rightBase = j;  // positions of the stops noted: base + left[k], base - right[k]
  for (;;) {
    if (leftFrom == leftCount && j - i + 1 >= BLOCK_SIZE) {
      leftBase = i;
      leftFrom = leftCount = 0;
      for (int64_t k = 0; k < BLOCK_SIZE; ++k) {
        left[leftCount] = static_cast<uint8_t>(k);
        leftCount += !goesBefore<T, Descending>(key[i + k], p);
      }
      i += BLOCK_SIZE;
    }
    if (rightFrom == rightCount && j - i + 1 >= BLOCK_SIZE) {
      rightBase = j;
      rightFrom = rightCount = 0;
      for (int64_t k = 0; k < BLOCK_SIZE; ++k) {
        right[rightCount] = static_cast<uint8_t>(k);
        rightCount += !goesBefore<T, Descending>(p, key[j - k]);
      }
      j -= BLOCK_SIZE;
    }
    const int64_t pairs = std::min(leftCount - leftFrom, rightCount - rightFrom);
    for (int64_t k = 0; k < pairs; ++k) {
      const int64_t a = leftBase + left[leftFrom + k], b = rightBase - right[rightFrom + k];
      std::swap(key[a], key[b]);
      tags.swap(a, b);
    }
    leftFrom += pairs;
    rightFrom += pairs;
    if ((leftFrom == leftCount || rightFrom == rightCount) && j - i + 1 < BLOCK_SIZE) break;
  }
  // Where the one-by-one scans stand now: at a stop noted and not yet
  // swapped, or where the blocks ended.
  if (leftFrom < leftCount) i = leftBase + left[leftFrom];
  if (rightFrom < rightCount) j = rightBase - right[rightFrom];
}

// Partitions key[lo..hi] around its middle key; the parts left to sort are
// lo..j and i..hi.
template <class T, bool Descending, class Tags>
void partition(T* key, const Tags& tags, int64_t lo, int64_t hi, int64_t& i, int64_t& j) {
  i = lo;
  j = hi;
  const T p = key[lo + (hi - lo) / 2];
  // A block pays in a range of four times its size, so smaller ranges scan
  // in smaller blocks: over half of a picture's comparisons fall in ranges
  // of fewer than 256 keys.
  const int64_t n = hi - lo + 1;
  if (n >= 4 * 64)
    swapBlocks<64, T, Descending>(key, tags, p, i, j);
  else if (n >= 4 * 32)
    swapBlocks<32, T, Descending>(key, tags, p, i, j);
  else if (n >= 4 * 16)
    swapBlocks<16, T, Descending>(key, tags, p, i, j);
  else if (n >= 4 * 8)
    swapBlocks<8, T, Descending>(key, tags, p, i, j);
  while (i <= j) {
    while (goesBefore<T, Descending>(key[i], p) && i < hi) ++i;
    while (goesBefore<T, Descending>(p, key[j]) && j > lo) --j;
    if (i > j) break;
    if (i < j) {
      std::swap(key[i], key[j]);
      tags.swap(i, j);
    }
    ++i;
    --j;
  }
}

template <class T, bool Descending, class Tags>
void quickSort(T* key, const Tags& tags, int64_t lo, int64_t hi) {
  range pending[64];
  int top = 0;
  for (;;) {
    int64_t i, j;
    partition<T, Descending>(key, tags, lo, hi, i, j);
    const bool lower = lo < j;
    const bool upper = i < hi;
    if (lower && upper) {
      if (j - lo < hi - i) {
        pending[top++] = {i, hi};
        hi = j;
      } else {
        pending[top++] = {lo, j};
        lo = i;
      }
    } else if (lower) {
      hi = j;
    } else if (upper) {
      lo = i;
    } else if (top > 0) {
      --top;
      lo = pending[top].lo;
      hi = pending[top].hi;
    } else {
      return;
    }
  }
}

template <class T, class Tags>
void sortKeys(void* data, const Tags& tags, int64_t lo, int64_t hi, sortOrder order) {
  T* key = static_cast<T*>(data);
  if (order == SORT_DESCENDING) {
    quickSort<T, true>(key, tags, lo, hi);
  } else {
    quickSort<T, false>(key, tags, lo, hi);
  }
}

template <class T>
void sortWithTags(void* data, const tagSwapper& tags, int64_t lo, int64_t hi, sortOrder order) {
  if (tags.data == nullptr)
    sortKeys<T>(data, noTagSwapper{}, lo, hi, order);
  else if (tags.size == sizeof(uint32_t))
    sortKeys<T>(data, wordTagSwapper{reinterpret_cast<uint32_t*>(tags.data)}, lo, hi, order);
  else
    sortKeys<T>(data, tags, lo, hi, order);
}

}  // namespace

void arraySort(dynArray& a, int32_t first, int32_t count, sortOrder order, dynArray* tags) {
  if (!(a.flags & ARRAY_DIMENSIONED)) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  const int64_t s = static_cast<int64_t>(first) - a.lower1;
  if (s < 0 || s >= static_cast<int64_t>(a.elementCount)) {
    raiseError(ERROR_OUT_OF_RANGE);
    return;
  }
  if (count < 0) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  const int64_t n = count == 0 ? static_cast<int64_t>(a.elementCount) - s : count;
  if (s + n > static_cast<int64_t>(a.elementCount)) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  if (tags != nullptr && (!(tags->flags & ARRAY_DIMENSIONED) || static_cast<int64_t>(tags->elementCount) < s + n)) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  const bool intKeys = a.elementType == ELEMENT_INT32 && a.elementSize == sizeof(int32_t);
  const bool floatKeys = a.elementType == ELEMENT_SINGLE && a.elementSize == sizeof(float);
  if (!intKeys && !floatKeys) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  if (a.elementSize > MAX_SORT_ELEMENT_SIZE) return;
  if (n < 2) return;

  tagSwapper swapper;
  if (tags != nullptr) {
    swapper.data = static_cast<uint8_t*>(tags->data);
    swapper.size = tags->elementSize;
  }
  if (intKeys) {
    sortWithTags<int32_t>(a.data, swapper, s, s + n - 1, order);
  } else {
    sortWithTags<float>(a.data, swapper, s, s + n - 1, order);
  }
}
