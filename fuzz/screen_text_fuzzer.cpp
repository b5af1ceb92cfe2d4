// write_screen_text with arbitrary bytes, print regions and cursor positions.
// Input: top, bottom, row, column, a delimiter byte, then the texts, split at
// the delimiter; every other text goes through channel 0 instead of directly.
// After each text the cursor must lie in the region; at the end every pixel
// row outside the region (the 8 rows below the grid included) must be as it
// was, and every changed row must be marked for the display.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/channels.h"

namespace {

using novabit::FrameBuffer;
using novabit::fuzz::require;

constexpr std::size_t kHeaderBytes = 5;

// What the page holds before the texts: no colour the texts use.
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

// One screen for all inputs: every input first resets its pixels and text state.
struct Screen {
  Screen() { screen.set_screen_mode(19, 16, 1, 0, 0); }
  novabit::ChannelTable channels{nullptr, nullptr};
  novabit::EndSteps endSteps;
  novabit::MemoryBackEnd backEnd;
  novabit::GraphScreen screen{channels, endSteps, {backEnd}, novabit::GraphScreenOptions{false, "fuzz"}};
};

void check_cursor(const novabit::TextCells& text, novabit::ChannelTable& channels) {
  require(text.cursor_row() >= text.region_top() && text.cursor_row() <= text.region_bottom(),
          "the cursor row lies in the print region");
  require(text.cursor_column() >= 1 && text.cursor_column() <= novabit::TextCells::kColumns,
          "the cursor column lies in the grid");
  require(!text.pending_line_feed() ||
              (text.cursor_row() == text.region_bottom() && text.cursor_column() == novabit::TextCells::kColumns),
          "a pending line feed parks the cursor in the region's last cell");
  const std::int32_t lineColumn = channels.line_state(0).lineColumn;
  require(lineColumn >= 0 && lineColumn < novabit::TextCells::kColumns, "channel 0's column lies in the line");
}

void check_rows(const FrameBuffer& frame, const novabit::TextCells& text) {
  const int firstRegionLine = (text.region_top() - 1) * novabit::TextCells::kCellHeight;
  const int endRegionLine = text.region_bottom() * novabit::TextCells::kCellHeight;
  for (int y = 0; y < FrameBuffer::kHeight; ++y) {
    const std::uint16_t* expected = pattern().data() + static_cast<std::ptrdiff_t>(y) * FrameBuffer::kWidth;
    const bool unchanged = std::equal(expected, expected + FrameBuffer::kWidth, frame.row(y));
    require(unchanged || (y >= firstRegionLine && y < endRegionLine), "rows outside the region keep their pixels");
    require(unchanged || frame.row_marked(y), "a changed row is marked");
  }
}

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
  screen.set_print_region(header_number(data[0], 40), header_number(data[1], 40));
  screen.set_text_position(header_number(data[2], 40), header_number(data[3], 103));

  const char delimiter = static_cast<char>(data[4]);
  std::string_view rest(reinterpret_cast<const char*>(data) + kHeaderBytes, size - kHeaderBytes);
  for (bool viaChannel = false;; viaChannel = !viaChannel) {
    const std::size_t end = rest.find(delimiter);
    const std::string_view piece = rest.substr(0, end);
    if (viaChannel) {
      fixture.channels.write(0, piece);
    } else {
      screen.write_screen_text(piece);
    }
    check_cursor(*screen.text(), fixture.channels);
    if (end == std::string_view::npos) {
      break;
    }
    rest.remove_prefix(end + 1);
  }
  check_rows(*screen.frame(), *screen.text());
  return 0;
}
