#pragma once
// An 800 x 600 picture of 5-6-5 pixels for whole-screen comparisons: the
// expected picture is painted here cell by cell and pixel by pixel, straight
// from the layout's screen coordinates, and compared with the frame buffer.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/colour.h"
#include "drawing/frame_buffer.h"

namespace novabit::testing {

class Picture {
 public:
  static constexpr int kWidth = FrameBuffer::kWidth;
  static constexpr int kHeight = FrameBuffer::kHeight;

  Picture() : pixels_(static_cast<std::size_t>(kWidth * kHeight), 0) {}
  explicit Picture(const FrameBuffer& frame);

  std::uint16_t at(int x, int y) const { return pixels_[index(x, y)]; }
  void set(int x, int y, Colour colour) { pixels_[index(x, y)] = pixel_from_colour(colour); }
  void copy_pixel(const Picture& from, int x, int y) { pixels_[index(x, y)] = from.at(x, y); }
  // Inclusive corners.
  void fill(int left, int top, int right, int bottom, Colour colour);
  // Text cells from 1-based (row, column) on, glyphs of the screen font.
  void text(int row, int column, std::string_view text, Colour foreground, Colour background);
  // Pixel rows first..last taken over from another picture.
  void copy_rows(const Picture& from, int first, int last);

  const std::vector<std::uint16_t>& pixels() const { return pixels_; }
  bool operator==(const Picture&) const = default;

  // A PNG in 8-bit RGB, each channel as the display shows it.
  static std::optional<Picture> read_png(const std::filesystem::path& path);

 private:
  static std::size_t index(int x, int y) { return static_cast<std::size_t>(y * kWidth + x); }
  std::vector<std::uint16_t> pixels_;
};

// Equal, or the count of differing pixels and the first few of them.
::testing::AssertionResult same_picture(const Picture& actual, const Picture& expected);

// The cells from 1-based (row, column) show `text` in exactly these colours.
::testing::AssertionResult shows_text(const FrameBuffer& frame, int row, int column, std::string_view text, Colour foreground,
                                      Colour background);

}  // namespace novabit::testing
