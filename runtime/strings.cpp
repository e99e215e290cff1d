#include "runtime/strings.h"

#include <cstdlib>
#include <cstring>

#include "runtime/errors.h"

namespace {

constexpr size_t COUNT_SIZE = sizeof(uint32_t);

uint8_t* blockStart(uint8_t* bytes) { return bytes - COUNT_SIZE; }

// A borrowed operand with a negative length (only possible through the raw
// constructor) is treated as empty rather than trusted.
int32_t operandLength(rtStringRef s) { return s.data() != nullptr && s.length() > 0 ? s.length() : 0; }

}  // namespace

rtString& rtString::operator=(rtString&& other) noexcept {
  if (this != &other) {
    if (bytes_ != nullptr) std::free(blockStart(bytes_));
    bytes_ = other.bytes_;
    other.bytes_ = nullptr;
  }
  return *this;
}

rtString::~rtString() {
  if (bytes_ != nullptr) std::free(blockStart(bytes_));
}

rtString rtString::allocate(int32_t n) {
  rtString s;
  if (n < 0) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return s;
  }
  if (n == 0) return s;
  // count, bytes, terminating zero; calloc leaves bytes and terminator zero.
  auto* block = static_cast<uint8_t*>(std::calloc(1, COUNT_SIZE + static_cast<size_t>(n) + 1));
  if (block == nullptr) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return s;
  }
  const uint32_t count = static_cast<uint32_t>(n);
  std::memcpy(block, &count, COUNT_SIZE);
  s.bytes_ = block + COUNT_SIZE;
  return s;
}

int32_t rtString::length() const {
  if (bytes_ == nullptr) return 0;
  uint32_t count;
  std::memcpy(&count, bytes_ - COUNT_SIZE, COUNT_SIZE);
  return static_cast<int32_t>(count);
}

void strAssign(rtString& variable, rtString&& value) { variable = static_cast<rtString&&>(value); }

void strAssign(rtString& variable, rtStringRef value) {
  const int32_t n = operandLength(value);
  if (n == 0) {
    variable = rtString();
    return;
  }
  if (variable.length() == n) {
    // memmove: the operand may be the variable itself.
    std::memmove(variable.bytes(), value.data(), static_cast<size_t>(n));
    return;
  }
  // Fill the new block before the old one goes: the operand may live in it.
  rtString copy = rtString::allocate(n);
  if (copy.bytes() != nullptr) std::memcpy(copy.bytes(), value.data(), static_cast<size_t>(n));
  variable = static_cast<rtString&&>(copy);
}

rtString strFromBytes(const void* bytes, int32_t n) {
  rtString s = rtString::allocate(n);
  if (s.bytes() != nullptr && bytes != nullptr) std::memcpy(s.bytes(), bytes, static_cast<size_t>(n));
  return s;
}

rtString strConcat(rtStringRef a, rtStringRef b) {
  const int64_t la = operandLength(a);
  const int64_t lb = operandLength(b);
  if (la + lb > INT32_MAX) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return rtString();
  }
  rtString s = rtString::allocate(static_cast<int32_t>(la + lb));
  if (s.bytes() == nullptr) return s;
  if (la > 0) std::memcpy(s.bytes(), a.data(), static_cast<size_t>(la));
  if (lb > 0) std::memcpy(s.bytes() + la, b.data(), static_cast<size_t>(lb));
  return s;
}

rtString strRepeat(int32_t n, rtStringRef s) {
  rtString r = rtString::allocate(n);
  if (r.bytes() == nullptr) return r;
  const uint8_t fill = operandLength(s) > 0 ? s.data()[0] : 0;
  std::memset(r.bytes(), fill, static_cast<size_t>(n));
  return r;
}

int32_t strLen(rtStringRef s) { return operandLength(s); }

int32_t strEqual(rtStringRef a, rtStringRef b) {
  const int32_t la = operandLength(a);
  const int32_t lb = operandLength(b);
  const int32_t shorter = la < lb ? la : lb;
  if (shorter > 0) {
    // memcmp compares as unsigned char.
    const int c = std::memcmp(a.data(), b.data(), static_cast<size_t>(shorter));
    if (c != 0) return c < 0 ? -1 : 1;
  }
  if (la == lb) return 0;
  return la < lb ? -1 : 1;
}

int32_t strByteAt(rtStringRef s, int32_t p) {
  const int32_t n = operandLength(s);
  if (p > 0 && p <= n) return s.data()[p - 1];
  if (p < 0 && p >= -n) return s.data()[n + p];
  return -1;
}
