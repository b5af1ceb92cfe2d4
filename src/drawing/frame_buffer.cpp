#include "drawing/frame_buffer.h"

#include <algorithm>

namespace novabit {

FrameBuffer::FrameBuffer(int pages)
    : pages_(std::max(pages, 1)), pixels_(static_cast<std::size_t>(pages_) * kWidth * kHeight) {
  for (int y = 0; y < kHeight; ++y) {
    rows_[static_cast<std::size_t>(y)] = pixels_.data() + static_cast<std::size_t>(y) * kWidth;
  }
}

void FrameBuffer::fill_run(int x, int y, int count, std::uint16_t pixel) {
  std::fill_n(row(y) + x, count, pixel);
  mark_row(y);
}

void FrameBuffer::mark_rows(int first, int last) {
  std::fill(rowMarks_.begin() + first, rowMarks_.begin() + last + 1, std::uint8_t{1});
}

RowBand FrameBuffer::take_marked_band() {
  const auto first = std::find(rowMarks_.begin(), rowMarks_.end(), std::uint8_t{1});
  if (first == rowMarks_.end()) {
    return {};
  }
  const auto last = std::find(rowMarks_.rbegin(), rowMarks_.rend(), std::uint8_t{1});
  std::fill(first, last.base(), std::uint8_t{0});
  return {static_cast<int>(first - rowMarks_.begin()), static_cast<int>(last.base() - rowMarks_.begin()) - 1};
}

}  // namespace novabit
