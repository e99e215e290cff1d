#pragma once
// A terminal's modes as stty sees them from outside the program.
#include <string>

#include "tests/support/process.h"

inline std::string sttyOf(const std::string& tty) { return runProgram(commandLine{"stty", "-a", "-F", tty}).output; }

// No line editing, no echo, no signals from keys: the program's raw mode.
inline bool isRaw(const std::string& stty) {
  return stty.find("-icanon") != std::string::npos && stty.find("-echo ") != std::string::npos &&
         stty.find("-isig") != std::string::npos;
}
