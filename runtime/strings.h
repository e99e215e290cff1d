#pragma once
#include <cstddef>
#include <cstdint>

// Counted byte strings. An rtString owns one block laid out as a 32-bit byte
// count, the bytes, and a zero byte; the empty string owns no block at all.
// Operands are passed as rtStringRef, a borrowed view: a temporary rtString
// passed that way is released when the full expression ends, a variable or a
// literal is left alone. strAssign moves temporaries and copies borrowed ones.
class rtString {
 public:
  rtString() = default;
  rtString(rtString&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = nullptr; }
  rtString& operator=(rtString&& other) noexcept;
  rtString(const rtString&) = delete;
  rtString& operator=(const rtString&) = delete;
  ~rtString();

  // A new string of n bytes (zero-filled; an uninitialised count never
  // escapes). n <= 0 gives the empty string; n < 0 or no memory: error 7.
  static rtString allocate(int32_t n);

  int32_t length() const;
  const uint8_t* bytes() const { return bytes_; }  // null for the empty string
  uint8_t* bytes() { return bytes_; }

 private:
  uint8_t* bytes_ = nullptr;  // first byte; the count stands in the 4 bytes before it
};

// A literal kept in the same layout (count, bytes, zero padding to 4), usable
// as an operand without a copy.
template <size_t N>
struct alignas(4) rtLiteral {
  uint32_t count;
  uint8_t bytes[(N + 3) / 4 * 4];
  constexpr rtLiteral(const char (&text)[N]) : count(N - 1), bytes{} {
    for (size_t i = 0; i + 1 < N; ++i) bytes[i] = static_cast<uint8_t>(text[i]);
  }
};

class rtStringRef {
 public:
  rtStringRef() = default;
  rtStringRef(const rtString& s) : data_(s.bytes()), length_(s.length()) {}
  template <size_t N>
  constexpr rtStringRef(const rtLiteral<N>& s) : data_(s.bytes), length_(static_cast<int32_t>(s.count)) {}
  constexpr rtStringRef(const uint8_t* data, int32_t length) : data_(data), length_(length) {}

  constexpr const uint8_t* data() const { return data_; }
  constexpr int32_t length() const { return length_; }

 private:
  const uint8_t* data_ = nullptr;
  int32_t length_ = 0;
};

void strAssign(rtString& variable, rtString&& value);  // takes the block over, no copy
void strAssign(rtString& variable, rtStringRef value);  // copies; in place when the length is unchanged
rtString strFromBytes(const void* bytes, int32_t n);
rtString strConcat(rtStringRef a, rtStringRef b);
// n copies of the first byte of s (byte 0 when s is empty).
rtString strRepeat(int32_t n, rtStringRef s);
int32_t strLen(rtStringRef s);
// Three-way byte comparison: 0 when equal, -1 when a sorts first, 1 otherwise.
int32_t strEqual(rtStringRef a, rtStringRef b);
// Byte at 1-based position p (p < 0 counts from the end); -1 when there is none.
int32_t strByteAt(rtStringRef s, int32_t p);
