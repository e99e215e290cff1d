#pragma once
// Running the console probe in a terminal and reading what it logged.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/tmux.h"

inline std::string probePath() { return CONSOLE_PROBE; }

// A file name of its own for one test, removed afterwards.
class tempFile {
 public:
  explicit tempFile(const std::string& what) {
    static int serial = 0;
    path_ = "/tmp/h3d-console-" + std::to_string(getpid()) + "-" + std::to_string(++serial) + "-" + what;
    std::remove(path_.c_str());
  }
  ~tempFile() { std::remove(path_.c_str()); }
  tempFile(const tempFile&) = delete;
  tempFile& operator=(const tempFile&) = delete;

  const std::string& path() const { return path_; }
  std::vector<std::string> lines() const {
    std::vector<std::string> result;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }
  std::string text() const {
    std::string all;
    for (const std::string& line : lines()) all += line + "\n";
    return all;
  }
  bool waitForLine(const std::string& line, int timeoutMs = 10000) const {
    return waitFor([&] {
      for (const std::string& l : lines())
        if (l == line) return true;
      return false;
    }, timeoutMs);
  }
  bool waitForLines(size_t count, int timeoutMs = 10000) const {
    return waitFor([&] { return lines().size() >= count; }, timeoutMs);
  }

 private:
  std::string path_;
};

// UTF-8 text split into characters, so that columns can be counted.
inline std::vector<std::string> characters(const std::string& text) {
  std::vector<std::string> result;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    result.push_back(text.substr(i, n));
    i += n;
  }
  return result;
}

// The character at a 1-based column of a captured row, " " past its end.
inline std::string at(const std::string& row, int column) {
  std::vector<std::string> chars = characters(row);
  return column >= 1 && static_cast<size_t>(column) <= chars.size() ? chars[static_cast<size_t>(column) - 1] : " ";
}

inline std::string trimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// A capture row by 1-based number, trailing blanks removed.
inline std::string screenRow(const std::vector<std::string>& screen, int row) {
  return row >= 1 && static_cast<size_t>(row) <= screen.size() ? trimRight(screen[static_cast<size_t>(row) - 1]) : "";
}

// The environment the probe gets in its pane: a UTF-8 locale, no X display.
inline std::vector<std::string> probeEnvironment() { return {"LC_ALL=C.UTF-8", "DISPLAY=", "TERM=screen"}; }

inline std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
