#include "support/picture.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "drawing/font.h"

namespace novabit::testing {
namespace {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;

using Glyph = std::array<std::uint8_t, kCellHeight>;

Glyph glyph_of(std::uint8_t byte) {
  Glyph glyph{};
  std::memcpy(glyph.data(), screen_font().data() + byte * kCellHeight, kCellHeight);
  return glyph;
}

}  // namespace

Picture::Picture(const FrameBuffer& frame) : Picture() {
  for (int y = 0; y < kHeight; ++y) {
    std::copy_n(frame.row(y), kWidth, pixels_.begin() + static_cast<std::ptrdiff_t>(index(0, y)));
  }
}

void Picture::fill(int left, int top, int right, int bottom, Colour colour) {
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) set(x, y, colour);
  }
}

void Picture::text(int row, int column, std::string_view text, Colour foreground, Colour background) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Glyph glyph = glyph_of(static_cast<std::uint8_t>(text[i]));
    const int left = (column - 1 + static_cast<int>(i)) * kCellWidth;
    for (int line = 0; line < kCellHeight; ++line) {
      for (int bit = 0; bit < kCellWidth; ++bit) {
        const bool lit = ((glyph[static_cast<std::size_t>(line)] >> bit) & 1) != 0;
        set(left + bit, (row - 1) * kCellHeight + line, lit ? foreground : background);
      }
    }
  }
}

void Picture::copy_rows(const Picture& from, int first, int last) {
  std::copy(from.pixels_.begin() + static_cast<std::ptrdiff_t>(index(0, first)),
            from.pixels_.begin() + static_cast<std::ptrdiff_t>(index(0, last + 1)),
            pixels_.begin() + static_cast<std::ptrdiff_t>(index(0, first)));
}

std::optional<Picture> Picture::read_png(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return std::nullopt;
  if (image.width != kWidth || image.height != kHeight) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) return std::nullopt;
  Picture picture;
  for (std::size_t i = 0; i < picture.pixels_.size(); ++i) {
    picture.pixels_[i] = pixel_from_colour(Colour{rgb[3 * i]} << 16 | Colour{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2]);
  }
  return picture;
}

::testing::AssertionResult same_picture(const Picture& actual, const Picture& expected) {
  int differences = 0;
  std::string first;
  for (int y = 0; y < Picture::kHeight; ++y) {
    for (int x = 0; x < Picture::kWidth; ++x) {
      if (actual.at(x, y) == expected.at(x, y)) continue;
      if (++differences <= 8) {
        char text[80];
        std::snprintf(text, sizeof text, " (%d,%d): %04X not %04X;", x, y, actual.at(x, y), expected.at(x, y));
        first += text;
      }
    }
  }
  if (differences == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differences << " pixels differ:" << first;
}

::testing::AssertionResult shows_text(const FrameBuffer& frame, int row, int column, std::string_view text, Colour foreground,
                                      Colour background) {
  Picture expected(frame);
  expected.text(row, column, text, foreground, background);
  const Picture actual(frame);
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "row " << row << ": " << same_picture(actual, expected).message();
}

}  // namespace novabit::testing
