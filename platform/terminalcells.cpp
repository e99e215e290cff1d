#include "platform/terminalcells.h"

#include <algorithm>

namespace {

constexpr uint8_t BLANK_ATTRIBUTE = 0x07;

}  // namespace

void terminalCells::grow(int width, int height) {
  if (width <= width_ && height <= height_) return;
  const int newWidth = std::max(width, width_), newHeight = std::max(height, height_);
  std::vector<cell> grown(static_cast<size_t>(newWidth) * newHeight, cell{' ', BLANK_ATTRIBUTE});
  for (int row = 0; row < height_; ++row)
    std::copy_n(cells_.begin() + static_cast<long>(index(row, 0)), width_,
                grown.begin() + static_cast<long>(static_cast<size_t>(row) * newWidth));
  cells_.swap(grown);
  width_ = newWidth;
  height_ = newHeight;
}

void terminalCells::put(int row, int column, const uint8_t* bytes, int count, uint8_t attribute) {
  if (row < 0 || row >= height_ || column < 0 || column >= width_) return;
  count = std::min(count, width_ - column);
  for (int i = 0; i < count; ++i) cells_[index(row, column + i)] = cell{bytes[i], attribute};
}

void terminalCells::scrollUp(uint8_t attribute) {
  if (height_ == 0) return;
  std::copy(cells_.begin() + width_, cells_.end(), cells_.begin());
  std::fill(cells_.end() - width_, cells_.end(), cell{' ', attribute});
}
