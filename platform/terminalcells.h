#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The screen buffer the program writes into: a byte and an attribute per
// cell, kept so that the terminal can be painted again from it. It grows
// with the terminal and never shrinks, so that what lies beyond a window made
// smaller comes back when the window grows again.
class terminalCells {
 public:
  int width() const { return width_; }
  int height() const { return height_; }
  // Grows to at least width x height; new cells are blanks in 7 on 0.
  void grow(int width, int height);
  // Writes count bytes from (row, column) on in one attribute, cut at the
  // row's end; a position outside the buffer writes nothing.
  void put(int row, int column, const uint8_t* bytes, int count, uint8_t attribute);
  // Everything moves up one row; the bottom row becomes blanks in the attribute.
  void scrollUp(uint8_t attribute);
  uint8_t byteAt(int row, int column) const { return cells_[index(row, column)].byte; }
  uint8_t attributeAt(int row, int column) const { return cells_[index(row, column)].attribute; }

 private:
  struct cell {
    uint8_t byte;
    uint8_t attribute;
  };
  size_t index(int row, int column) const { return static_cast<size_t>(row) * static_cast<size_t>(width_) + static_cast<size_t>(column); }

  int width_ = 0, height_ = 0;
  std::vector<cell> cells_;
};
