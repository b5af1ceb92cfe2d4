#include "drawing/text_cells.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "drawing/font.h"

namespace novabit {
namespace {

// For every glyph row byte, the masks of its eight pixels (bit 0 leftmost) as
// two words of four 16-bit pixels in memory order, so no glyph is decoded bit
// by bit while drawing and a cell row takes two stores.
using RowMasks = std::array<std::uint64_t, 2>;
constexpr std::array<RowMasks, 256> kRowMasks = [] {
  std::array<RowMasks, 256> masks{};
  for (std::size_t byte = 0; byte < masks.size(); ++byte) {
    for (std::size_t bit = 0; bit < 8; ++bit) {
      if (((byte >> bit) & 1) != 0) {
        const std::size_t lane = std::endian::native == std::endian::little ? bit % 4 : 3 - bit % 4;
        masks[byte][bit / 4] |= std::uint64_t{0xFFFF} << (16 * lane);
      }
    }
  }
  return masks;
}();

constexpr std::uint64_t four_pixels(std::uint16_t pixel) { return std::uint64_t{pixel} * 0x0001000100010001u; }

constexpr std::uint8_t kBell = 7;
constexpr std::uint8_t kBackspace = 8;
constexpr std::uint8_t kTab = 9;
constexpr std::uint8_t kLineFeed = 10;
constexpr std::uint8_t kCarriageReturn = 13;
constexpr std::array<std::uint8_t, 8> kTabSpaces = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

bool is_control(std::uint8_t byte) {
  return byte == kBell || byte == kBackspace || byte == kTab || byte == kLineFeed || byte == kCarriageReturn;
}

bool keeps_colour(Colour colour) { return (colour & 0x80000000u) != 0; }

}  // namespace

TextCells::TextCells(FrameBuffer& frame, PenColours& colours, std::function<void()> bell)
    : frame_(frame), colours_(colours), bell_(std::move(bell)), font_(screen_font()) {}

TextColours TextCells::set_colours(Colour foreground, Colour background) {
  const TextColours previous{colours_.foreground, colours_.background};
  if (!keeps_colour(foreground)) {
    colours_.foreground = pixel_from_colour(foreground, colours_.mask);
  }
  if (!keeps_colour(background)) {
    colours_.background = pixel_from_colour(background, colours_.mask);
  }
  return previous;
}

bool TextCells::set_position(int row, int column) {
  if (row != 0 && (row - 1 < top_ || row - 1 > bottom_)) {
    return false;
  }
  if (column != 0 && (column < 1 || column > kColumns)) {
    return false;
  }
  if (row != 0) {
    row_ = row - 1;
  }
  if (column != 0) {
    column_ = column - 1;
  }
  pendingLineFeed_ = false;
  return true;
}

bool TextCells::set_region(int top, int bottom) {
  top = top == 0 ? 1 : top;
  bottom = bottom == 0 ? kRows : bottom;
  if (top > bottom || top < 1 || bottom > kRows) {
    return false;
  }
  top_ = top - 1;
  bottom_ = bottom - 1;
  set_position(top, 1);
  return true;
}

void TextCells::write(std::string_view text) {
  if (pendingLineFeed_) {
    pendingLineFeed_ = false;
    column_ = 0;
    ++row_;
    scroll_into_region();
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t count = text.size();
  bool endedOnMove = false;
  std::size_t runStart = 0;
  for (std::size_t index = 0; index < count; ++index) {
    const std::uint8_t byte = bytes[index];
    if (!is_control(byte)) {
      continue;
    }
    if (index > runStart) {
      draw_run(bytes + runStart, index - runStart);
    }
    runStart = index + 1;
    endedOnMove = true;
    switch (byte) {
      case kBell:
        bell_();
        break;
      case kBackspace:
        column_ = std::max(column_ - 1, 0);
        break;
      case kTab:
        draw_run(kTabSpaces.data(), static_cast<std::size_t>(8 - column_ % 8));
        endedOnMove = false;
        break;
      case kLineFeed:
        column_ = 0;
        ++row_;
        break;
      default:  // carriage return
        column_ = 0;
        break;
    }
  }
  if (count > runStart) {
    draw_run(bytes + runStart, count - runStart);
    endedOnMove = false;
  }
  if (row_ > bottom_) {
    if (!endedOnMove && column_ == 0 && row_ == bottom_ + 1) {
      // The last byte filled the region's last cell: the scroll waits for the next text.
      row_ = bottom_;
      column_ = kColumns - 1;
      pendingLineFeed_ = true;
    } else {
      scroll_into_region();
    }
  }
}

void TextCells::draw_run(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    scroll_into_region();
    const int fitting = static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(kColumns - column_)));
    draw_cells(bytes, fitting);
    bytes += fitting;
    count -= static_cast<std::size_t>(fitting);
    column_ += fitting;
    if (column_ == kColumns) {
      column_ = 0;
      ++row_;
    }
  }
}

void TextCells::draw_cells(const std::uint8_t* bytes, int count) {
  const std::uint64_t background = four_pixels(colours_.background);
  const std::uint64_t difference = four_pixels(colours_.foreground ^ colours_.background);
  const int firstRow = row_ * kCellHeight;
  for (int line = 0; line < kCellHeight; ++line) {
    std::uint16_t* pixels = frame_.row(firstRow + line) + column_ * kCellWidth;
    for (int cell = 0; cell < count; ++cell, pixels += kCellWidth) {
      const RowMasks& masks = kRowMasks[font_[static_cast<std::size_t>(bytes[cell]) * kCellHeight + line]];
      const std::array<std::uint64_t, 2> words = {background ^ (difference & masks[0]),
                                                  background ^ (difference & masks[1])};
      std::memcpy(pixels, words.data(), sizeof words);
    }
  }
  frame_.mark_rows(firstRow, firstRow + kCellHeight - 1);
}

void TextCells::scroll_into_region() {
  if (row_ > bottom_) {
    scroll(row_ - bottom_);
    row_ = bottom_;
  }
}

void TextCells::scroll(int rows) {
  const int regionRows = bottom_ - top_ + 1;
  const int firstLine = top_ * kCellHeight;
  const int endLine = (bottom_ + 1) * kCellHeight;
  int clearFrom = firstLine;
  if (rows < regionRows) {
    const int shift = rows * kCellHeight;
    std::copy(frame_.row(firstLine + shift), frame_.row(endLine - 1) + FrameBuffer::kWidth, frame_.row(firstLine));
    clearFrom = endLine - shift;
  }
  // Four pixels per store: a simulated run scrolls some 350000 times a cycle.
  const std::uint64_t background = four_pixels(colours_.background);
  for (std::uint16_t* pixels = frame_.row(clearFrom); pixels < frame_.row(endLine - 1) + FrameBuffer::kWidth;
       pixels += 4) {
    std::memcpy(pixels, &background, sizeof background);
  }
  frame_.mark_rows(firstLine, endLine - 1);
}

}  // namespace novabit
