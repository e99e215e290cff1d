#pragma once
#include <string>

#include "runtime/strings.h"

// The bytes of a runtime string, for comparisons in assertions.
inline std::string text(rtStringRef s) {
  if (s.length() <= 0 || s.data() == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(s.data()), static_cast<size_t>(s.length()));
}

inline rtString makeString(const std::string& bytes) {
  return strFromBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}
