#pragma once
// A terminal's modes as stty sees them from outside the program.
#include <cstdio>
#include <string>

inline std::string sttyOf(const std::string& tty) {
  std::string output;
  if (FILE* pipe = popen(("stty -a -F " + tty + " 2>/dev/null").c_str(), "r")) {
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// No line editing, no echo, no signals from keys: the program's raw mode.
inline bool isRaw(const std::string& stty) {
  return stty.find("-icanon") != std::string::npos && stty.find("-echo ") != std::string::npos &&
         stty.find("-isig") != std::string::npos;
}
