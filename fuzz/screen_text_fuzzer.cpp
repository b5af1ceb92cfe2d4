// write_screen_text with arbitrary bytes, print regions and cursor positions.
// Input: top, bottom, row, column, a delimiter byte, then the texts, split at
// the delimiter; every other text goes through channel 0 instead of directly.
// A model of the text rules, taken one byte at a time on a grid of cells,
// checks the cursor and channel 0's column after each text and every pixel of
// the page at the end; the model's cells start as a pattern no text colour
// has, so rows outside the region and the 8 rows below the grid must keep it.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "drawing/font.h"
#include "fuzz_check.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace {

using novabit::FrameBuffer;
using novabit::TextCells;
using novabit::fuzz::require;

constexpr std::size_t kHeaderBytes = 5;
constexpr std::uint16_t kForeground = 0xFFFF;  // white
constexpr std::uint16_t kBackground = 0x001F;  // blue

// What the page holds before the texts.
const std::vector<std::uint16_t>& pattern() {
  static const std::vector<std::uint16_t> page = [] {
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(FrameBuffer::kWidth) * FrameBuffer::kHeight);
    for (std::size_t at = 0; at < pixels.size(); ++at) {
      pixels[at] = static_cast<std::uint16_t>(0x8000 | ((at * 31 + at / FrameBuffer::kWidth * 17) & 0x7FFF));
    }
    return pixels;
  }();
  return page;
}

// A cell still shows the pattern of some text row, or a glyph, or the
// background a scroll filled it with.
struct Cell {
  enum class Kind : std::uint8_t { pattern, glyph, fill };
  Kind kind = Kind::pattern;
  std::uint8_t value = 0;  // the pattern's text row, or the glyph's byte
};

class TextModel {
 public:
  TextModel() {
    for (int row = 0; row < TextCells::kRows; ++row) {
      for (Cell& cell : cells_[static_cast<std::size_t>(row)]) {
        cell.value = static_cast<std::uint8_t>(row);
      }
    }
  }

  void set_region(int top, int bottom) {
    top = top == 0 ? 1 : top;
    bottom = bottom == 0 ? TextCells::kRows : bottom;
    if (top <= bottom && top >= 1 && bottom <= TextCells::kRows) {
      top_ = top - 1;
      bottom_ = bottom - 1;
      set_position(top, 1);
    }
  }

  void set_position(int row, int column) {
    if ((row != 0 && (row - 1 < top_ || row - 1 > bottom_)) ||
        (column != 0 && (column < 1 || column > TextCells::kColumns))) {
      return;
    }
    row_ = row != 0 ? row - 1 : row_;
    column_ = column != 0 ? column - 1 : column_;
    pendingLineFeed_ = false;
    lineColumn_ = column_;
  }

  void write(std::string_view text, bool viaChannel) {
    if (pendingLineFeed_) {
      pendingLineFeed_ = false;
      column_ = 0;
      ++row_;
      scroll_into_region();
    }
    bool lastWasMove = false;
    for (const char character : text) {
      const auto byte = static_cast<std::uint8_t>(character);
      lastWasMove = byte == 7 || byte == 8 || byte == 10 || byte == 13;
      if (byte == 8) {
        column_ = std::max(column_ - 1, 0);
      } else if (byte == 9) {
        for (int space = 8 - column_ % 8; space > 0; --space) {
          draw(' ');
        }
      } else if (byte == 10) {
        column_ = 0;
        ++row_;
      } else if (byte == 13) {
        column_ = 0;
      } else if (byte != 7) {
        draw(byte);
      }
    }
    if (!lastWasMove && column_ == 0 && row_ == bottom_ + 1) {
      row_ = bottom_;
      column_ = TextCells::kColumns - 1;
      pendingLineFeed_ = true;
    }
    scroll_into_region();
    if (viaChannel) {
      const std::size_t lastEnd = text.find_last_of("\r\n");
      const std::size_t tail = lastEnd == std::string_view::npos ? text.size() : text.size() - lastEnd - 1;
      const std::size_t start = lastEnd == std::string_view::npos ? static_cast<std::size_t>(lineColumn_) : 0;
      lineColumn_ = static_cast<int>((start + tail) % TextCells::kColumns);
    }
  }

  void check_cursor(const TextCells& text, novabit::ChannelTable& channels) const {
    require(text.cursor_row() == row_ + 1 && text.cursor_column() == column_ + 1,
            "the cursor is where the rules put it");
    require(text.pending_line_feed() == pendingLineFeed_, "the line feed waits as the rules say");
    require(text.region_top() == top_ + 1 && text.region_bottom() == bottom_ + 1, "the region is the one set");
    require(channels.line_state(0).lineColumn == lineColumn_, "channel 0 counts the columns of its texts");
  }

  void check_page(const FrameBuffer& frame) const {
    const auto& font = novabit::screen_font();
    for (int y = 0; y < FrameBuffer::kHeight; ++y) {
      const int row = y / TextCells::kCellHeight;
      const int line = y % TextCells::kCellHeight;
      const std::uint16_t* pixels = frame.row(y);
      const std::uint16_t* unchanged = pattern().data() + static_cast<std::ptrdiff_t>(y) * FrameBuffer::kWidth;
      for (int x = 0; x < FrameBuffer::kWidth; x += TextCells::kCellWidth) {
        const Cell cell = row < TextCells::kRows
                              ? cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(x / 8)]
                              : Cell{Cell::Kind::pattern, static_cast<std::uint8_t>(row)};
        // Summed up bit by bit rather than compared per cell: a call per cell would cost more than the rest.
        unsigned difference = 0;
        if (cell.kind == Cell::Kind::pattern) {
          const std::size_t sourceY = static_cast<std::size_t>(cell.value * TextCells::kCellHeight + line);
          const std::uint16_t* source = pattern().data() + sourceY * FrameBuffer::kWidth + static_cast<std::size_t>(x);
          for (int bit = 0; bit < TextCells::kCellWidth; ++bit) {
            difference |= static_cast<unsigned>(pixels[x + bit] ^ source[bit]);
          }
        } else {
          const unsigned bits =
              cell.kind == Cell::Kind::glyph ? font[cell.value * 16u + static_cast<unsigned>(line)] : 0;
          for (int bit = 0; bit < TextCells::kCellWidth; ++bit) {
            difference |=
                static_cast<unsigned>(pixels[x + bit] ^ (((bits >> bit) & 1) != 0 ? kForeground : kBackground));
          }
        }
        require(difference == 0, "every pixel is the one the rules draw");
      }
      const bool changed = !std::equal(pixels, pixels + FrameBuffer::kWidth, unchanged);
      require(!changed || frame.row_marked(y), "a changed row is marked");
    }
  }

 private:
  void draw(std::uint8_t byte) {
    scroll_into_region();
    cells_[static_cast<std::size_t>(row_)][static_cast<std::size_t>(column_)] = {Cell::Kind::glyph, byte};
    if (++column_ == TextCells::kColumns) {
      column_ = 0;
      ++row_;
    }
  }

  void scroll_into_region() {
    if (row_ <= bottom_) {
      return;
    }
    const int rows = row_ - bottom_;
    row_ = bottom_;
    for (int row = top_; row <= bottom_; ++row) {
      auto& cells = cells_[static_cast<std::size_t>(row)];
      if (row + rows <= bottom_) {
        cells = cells_[static_cast<std::size_t>(row + rows)];
      } else {
        cells.fill({Cell::Kind::fill, 0});
      }
    }
  }

  std::array<std::array<Cell, TextCells::kColumns>, TextCells::kRows> cells_{};
  int top_ = 0;
  int bottom_ = TextCells::kRows - 1;
  int row_ = 0;
  int column_ = 0;
  bool pendingLineFeed_ = false;
  int lineColumn_ = 0;
};

// One screen for all inputs: every input first resets its pixels and text state.
struct Screen {
  Screen() { static_cast<void>(screen.set_screen_mode(19, 16, 1, 0, 0)); }
  novabit::ChannelTable channels{nullptr, nullptr};
  novabit::EndSteps endSteps;
  novabit::MemoryBackEnd backEnd;
  novabit::GraphScreen screen{channels, endSteps, {backEnd}, novabit::GraphScreenOptions{false, "fuzz"}};
};

int header_number(std::uint8_t byte, int range) { return byte % range - 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Screen fixture;
  if (size < kHeaderBytes) {
    return 0;
  }
  novabit::GraphScreen& screen = fixture.screen;
  std::copy(pattern().begin(), pattern().end(), screen.screen_memory());
  screen.tick();  // takes the row marks of the previous input
  screen.set_text_colours(0xFFFFFF, 0x0000FF);
  screen.set_print_region(0, 0);

  TextModel model;
  const int top = header_number(data[0], 40);
  const int bottom = header_number(data[1], 40);
  const int row = header_number(data[2], 40);
  const int column = header_number(data[3], 103);
  screen.set_print_region(top, bottom);
  model.set_region(top, bottom);
  screen.set_text_position(row, column);
  model.set_position(row, column);
  model.check_cursor(*screen.text(), fixture.channels);

  const char delimiter = static_cast<char>(data[4]);
  std::string_view rest(reinterpret_cast<const char*>(data) + kHeaderBytes, size - kHeaderBytes);
  for (bool viaChannel = false;; viaChannel = !viaChannel) {
    const std::size_t end = rest.find(delimiter);
    const std::string_view piece = rest.substr(0, end);
    if (viaChannel) {
      static_cast<void>(fixture.channels.write(0, piece));
    } else {
      screen.write_screen_text(piece);
    }
    model.write(piece, viaChannel);
    model.check_cursor(*screen.text(), fixture.channels);
    if (end == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(end + 1);
  }
  model.check_page(*screen.frame());
  return 0;
}
