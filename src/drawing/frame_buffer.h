#pragma once
// The pixel pages of the screen and the marks of the pixel rows changed since
// the display last copied them. Not locked itself: the ScreenLock guards it.

#include <array>
#include <cstdint>
#include <vector>

namespace novabit {

// Every picture of the program, on the screen and in files, is this size.
inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;

// First and last marked pixel row, inclusive; empty when first > last.
struct RowBand {
  int first = 0;
  int last = -1;
  bool empty() const { return first > last; }
};

class FrameBuffer {
 public:
  static constexpr int kWidth = kScreenWidth;
  static constexpr int kHeight = kScreenHeight;
  static constexpr int kPitchBytes = kWidth * 2;

  explicit FrameBuffer(int pages);

  // Rows of the work page, where everything is drawn.
  std::uint16_t* row(int y) { return rows_[static_cast<std::size_t>(y)]; }
  const std::uint16_t* row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
  std::uint16_t* work_page() { return rows_[0]; }
  // The page the display shows; the program never changes it from page 0.
  const std::uint16_t* visible_page() const { return pixels_.data(); }
  int pages() const { return pages_; }

  std::uint16_t pixel(int x, int y) const { return row(y)[x]; }
  void set_pixel(int x, int y, std::uint16_t pixel) {
    row(y)[x] = pixel;
    mark_row(y);
  }
  // `count` pixels from (x, y) rightwards, as one 16-bit run.
  void fill_run(int x, int y, int count, std::uint16_t pixel);

  void mark_row(int y) { rowMarks_[static_cast<std::size_t>(y)] = 1; }
  void mark_rows(int first, int last);
  void mark_all() { mark_rows(0, kHeight - 1); }
  bool row_marked(int y) const { return rowMarks_[static_cast<std::size_t>(y)] != 0; }
  // The band from the first to the last marked row; all marks are cleared.
  RowBand take_marked_band();

 private:
  int pages_;
  std::vector<std::uint16_t> pixels_;
  std::array<std::uint16_t*, kHeight> rows_{};
  std::array<std::uint8_t, kHeight> rowMarks_{};
};

}  // namespace novabit
