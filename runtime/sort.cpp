#include "runtime/sort.h"

#include <algorithm>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
// each side are noted as bits without a branch, then swapped pairwise, the
// k-th stop from the left with the k-th from the right, which is what the
// scans do one by one there, where a side's stops cannot have been moved by
// the other's swaps. A branch per key costs more than its comparison.
template <class T, bool Descending>
inline bool goesBefore(T a, T b) {
  if constexpr (Descending)
    return a > b;
  else
    return a < b;
}

#if defined(__SSE2__)
// Bit t of the result: whether a[t] goes before b, four keys at a time.
template <bool Descending>
inline uint32_t before4(__m128i a, __m128i b) {
  const __m128i goes = Descending ? _mm_cmpgt_epi32(a, b) : _mm_cmpgt_epi32(b, a);
  return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(goes)));
}
template <bool Descending>
inline uint32_t before4(__m128 a, __m128 b) {
  return static_cast<uint32_t>(_mm_movemask_ps(Descending ? _mm_cmplt_ps(b, a) : _mm_cmplt_ps(a, b)));
}
template <class T>
inline auto load4(const T* at) {
  if constexpr (std::is_same_v<T, float>)
    return _mm_loadu_ps(at);
  else
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
template <class T>
inline auto splat4(T v) {
  if constexpr (std::is_same_v<T, float>)
    return _mm_set1_ps(v);
  else
    return _mm_set1_epi32(v);
}
#endif

// Bit t set where key[t] of the block stops a scan: from the left where it
// does not go before the pivot, from the right where the pivot does not go
// before it.
template <int64_t BLOCK_SIZE, bool FromLeft, class T, bool Descending>
inline uint64_t stopsOf(const T* key, T p) {
  uint64_t goes = 0;
#if defined(__SSE2__)
  static_assert(sizeof(T) == 4 && BLOCK_SIZE % 4 == 0);
  const auto pivot = splat4(p);
  for (int64_t k = 0; k < BLOCK_SIZE; k += 4) {
    const auto keys = load4(key + k);
    goes |= uint64_t{FromLeft ? before4<Descending>(keys, pivot) : before4<Descending>(pivot, keys)} << k;
  }
#else
  for (int64_t k = 0; k < BLOCK_SIZE; ++k)
    goes |= uint64_t{FromLeft ? goesBefore<T, Descending>(key[k], p) : goesBefore<T, Descending>(p, key[k])} << k;
#endif
  return ~goes & (~uint64_t{0} >> (64 - BLOCK_SIZE));
}

// The right side's stops are bits of the block below j: the k-th from the
// right is the k-th highest bit.
inline int64_t highestBit(uint64_t bits) { return 63 - __builtin_clzll(bits); }

template <int64_t BLOCK_SIZE, class T, bool Descending, class Tags>
void swapBlocks(T* key, const Tags& tags, T p, int64_t& i, int64_t& j) {
  uint64_t leftStops = 0, rightStops = 0;
  int64_t leftBase = i, rightBase = j;  // where bit 0 of each block's stops lies
  for (;;) {
    if (leftStops == 0 && j - i + 1 >= BLOCK_SIZE) {
      leftBase = i;
      leftStops = stopsOf<BLOCK_SIZE, true, T, Descending>(key + i, p);
      i += BLOCK_SIZE;
    }
    if (rightStops == 0 && j - i + 1 >= BLOCK_SIZE) {
      rightBase = j - BLOCK_SIZE + 1;
      rightStops = stopsOf<BLOCK_SIZE, false, T, Descending>(key + rightBase, p);
      j -= BLOCK_SIZE;
    }
    while (leftStops != 0 && rightStops != 0) {
      const int64_t high = highestBit(rightStops);
      const int64_t a = leftBase + __builtin_ctzll(leftStops), b = rightBase + high;
      std::swap(key[a], key[b]);
      tags.swap(a, b);
      leftStops &= leftStops - 1;
      rightStops ^= uint64_t{1} << high;
    }
    if ((leftStops == 0 || rightStops == 0) && j - i + 1 < BLOCK_SIZE) break;
  }
  // Where the one-by-one scans stand now: at a stop noted and not yet
  // swapped, or where the blocks ended.
  if (leftStops != 0) i = leftBase + __builtin_ctzll(leftStops);
  if (rightStops != 0) j = rightBase + highestBit(rightStops);
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
