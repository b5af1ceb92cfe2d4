#pragma once
// The 100 x 37 grid of 8 x 16 text cells on the work page: the text cursor,
// the print region and its scrolling. Text ignores the viewport.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "drawing/canvas.h"
#include "drawing/colour.h"
#include "drawing/frame_buffer.h"

namespace novabit {

struct TextColours {
  std::uint16_t foreground = 0;
  std::uint16_t background = 0;
};

class TextCells {
 public:
  static constexpr int kColumns = 100;
  static constexpr int kRows = 37;
  static constexpr int kCellWidth = 8;
  static constexpr int kCellHeight = 16;

  // `bell` sounds the beep of byte 7.
  TextCells(FrameBuffer& frame, PenColours& colours, std::function<void()> bell);

  // A colour with bit 31 set is left unchanged. Returns the previous pair.
  TextColours set_colours(Colour foreground, Colour background);
  // 1-based; 0 keeps that coordinate. False, and nothing moves, outside the
  // print region's rows or the columns.
  bool set_position(int row, int column);
  // 1-based; 0 means the first or the last row. False, and nothing changes,
  // for an invalid range; otherwise the cursor goes to column 1 of `top`.
  bool set_region(int top, int bottom);
  void write(std::string_view bytes);

  // The cursor, 1-based.
  int cursor_row() const { return row_ + 1; }
  int cursor_column() const { return column_ + 1; }
  int region_top() const { return top_ + 1; }
  int region_bottom() const { return bottom_ + 1; }
  bool pending_line_feed() const { return pendingLineFeed_; }

 private:
  void draw_run(const std::uint8_t* bytes, std::size_t count);
  void draw_cells(const std::uint8_t* bytes, int count);
  void scroll_into_region();
  void scroll(int rows);

  FrameBuffer& frame_;
  PenColours& colours_;
  std::function<void()> bell_;
  const std::array<std::uint8_t, 256 * 16>& font_;
  // 0-based cursor and region rows.
  int column_ = 0;
  int row_ = 0;
  int top_ = 0;
  int bottom_ = kRows - 1;
  bool pendingLineFeed_ = false;
};

}  // namespace novabit
