#include <gtest/gtest.h>

#include <string>

#include "screen/font.h"
#include "screen_fixture.h"

namespace novabit::testing {
namespace {

constexpr std::uint16_t kRed = 0xFA28;       // 0xFF4444
constexpr std::uint16_t kDarkBlue = 0x0008;  // 0x000044
constexpr std::uint16_t kWhite = 0xFFFF;

class TextTest : public ScreenTest {
 protected:
  // Whether the 1-based cell shows `byte` in exactly these colours.
  ::testing::AssertionResult cell_shows(int row, int column, std::uint8_t byte, std::uint16_t foreground,
                                        std::uint16_t background) const {
    const auto& font = screen_font();
    for (int line = 0; line < 16; ++line) {
      const std::uint8_t bits = font[byte * 16U + static_cast<unsigned>(line)];
      for (int bit = 0; bit < 8; ++bit) {
        const int x = (column - 1) * 8 + bit;
        const int y = (row - 1) * 16 + line;
        const std::uint16_t expected = ((bits >> bit) & 1) != 0 ? foreground : background;
        if (pixel(x, y) != expected) {
          return ::testing::AssertionFailure() << "byte " << int{byte} << " at pixel " << x << "," << y;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  std::vector<std::uint16_t> text_row(int row) const {
    const std::uint16_t* first = frame().row((row - 1) * 16);
    return {first, first + 16 * FrameBuffer::kWidth};
  }

  void expect_cursor(int row, int column) const {
    EXPECT_EQ(screen.text()->cursor_row(), row);
    EXPECT_EQ(screen.text()->cursor_column(), column);
  }

  void write(const std::string& text) { screen.write_screen_text(text); }
};

TEST_F(TextTest, CellsArePaintedWholeInTextColours) {
  screen.set_text_colours(0xFF4444, 0x000044);
  write("AB");
  EXPECT_TRUE(cell_shows(1, 1, 'A', kRed, kDarkBlue));
  EXPECT_TRUE(cell_shows(1, 2, 'B', kRed, kDarkBlue));
  EXPECT_EQ(pixel(16, 0), 0);
  EXPECT_EQ(pixel(0, 16), 0);
  EXPECT_EQ(marked_rows(), row_range(0, 15));
  expect_cursor(1, 3);
}

TEST_F(TextTest, EveryDrawableByteShowsItsGlyph) {
  std::string bytes;
  for (int value = 0; value < 256; ++value) {
    if (value != 7 && value != 8 && value != 9 && value != 10 && value != 13) {
      bytes.push_back(static_cast<char>(value));
    }
  }
  write(bytes);
  for (std::size_t index = 0; index < bytes.size(); ++index) {
    const int cell = static_cast<int>(index);
    EXPECT_TRUE(cell_shows(1 + cell / 100, 1 + cell % 100, static_cast<std::uint8_t>(bytes[index]), kWhite, 0));
  }
}

TEST_F(TextTest, TextColoursKeepNegativeValuesAndReturnThePreviousPair) {
  const TextColours first = screen.set_text_colours(0x55DD55, kKeepColour);
  EXPECT_EQ(first.foreground, kWhite);
  EXPECT_EQ(first.background, 0);
  const TextColours second = screen.set_text_colours(kKeepColour, kKeepColour);
  EXPECT_EQ(second.foreground, 0x56EA);
  EXPECT_EQ(second.background, 0);
  const TextColours third = screen.set_text_colours(0xFFFFFF, 0);
  EXPECT_EQ(third.foreground, 0x56EA);
}

TEST_F(TextTest, FullLineOnTheBottomRowWaitsForTheNextTextToScroll) {
  screen.set_print_region(17, 33);
  screen.set_text_position(32, 1);
  write("previous");
  const auto previousRow = text_row(32);
  screen.set_text_position(33, 1);
  write(std::string(100, 'x'));
  EXPECT_EQ(text_row(32), previousRow);
  EXPECT_TRUE(cell_shows(33, 100, 'x', kWhite, 0));
  expect_cursor(33, 100);
  EXPECT_TRUE(screen.text()->pending_line_feed());

  const auto fullRow = text_row(33);
  write("y");
  EXPECT_EQ(text_row(32), fullRow);
  EXPECT_TRUE(cell_shows(33, 1, 'y', kWhite, 0));
  EXPECT_TRUE(cell_shows(33, 2, ' ', kWhite, 0));
  expect_cursor(33, 2);
}

TEST_F(TextTest, PositioningCancelsThePendingScroll) {
  screen.set_print_region(17, 33);
  screen.set_text_position(33, 1);
  write(std::string(100, 'x'));
  screen.set_text_position(0, 1);
  write("z");
  EXPECT_TRUE(cell_shows(33, 1, 'z', kWhite, 0));
  EXPECT_TRUE(cell_shows(33, 2, 'x', kWhite, 0));
}

TEST_F(TextTest, LineFeedOnTheBottomRowScrollsTheRegionAtOnce) {
  for (const int row : {16, 17, 18, 34}) {
    screen.set_text_position(row, 1);
    write(std::to_string(row));
  }
  const auto above = text_row(16);
  const auto below = text_row(34);
  const auto second = text_row(18);
  screen.set_print_region(17, 33);
  screen.set_text_position(33, 1);
  write("T\n");
  EXPECT_EQ(text_row(16), above);
  EXPECT_EQ(text_row(34), below);
  EXPECT_EQ(text_row(17), second);
  EXPECT_TRUE(cell_shows(32, 1, 'T', kWhite, 0));
  EXPECT_EQ(text_row(33), std::vector<std::uint16_t>(16 * FrameBuffer::kWidth, 0));
  expect_cursor(33, 1);
  EXPECT_FALSE(screen.text()->pending_line_feed());
}

TEST_F(TextTest, FullLineAndLineFeedOnTheBottomRowScrollTwoRows) {
  screen.set_print_region(17, 33);
  screen.set_text_position(33, 1);
  write(std::string(100, 'x') + "\n");
  EXPECT_TRUE(cell_shows(31, 1, 'x', kWhite, 0));
  EXPECT_TRUE(cell_shows(32, 1, ' ', kWhite, 0));
  expect_cursor(33, 1);
}

TEST_F(TextTest, WholeScreenScrollLeavesTheRowsBelowTheGrid) {
  screen.draw_line(0, 590, 799, 599, 0x00CC00, LineShape::filled_box);
  for (int row = 1; row <= 37; ++row) {
    screen.set_text_position(row, row);
    write("#");
  }
  const auto before = snapshot();
  screen.set_text_colours(kKeepColour, 0x000044);
  write("\n");
  const auto after = snapshot();
  const std::size_t width = FrameBuffer::kWidth;
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 576 * width, before.begin() + 16 * width));
  EXPECT_TRUE(std::all_of(after.begin() + 576 * width, after.begin() + 592 * width,
                          [](std::uint16_t value) { return value == kDarkBlue; }));
  EXPECT_TRUE(std::equal(after.begin() + 592 * width, after.end(), before.begin() + 592 * width));
  EXPECT_EQ(pixel(0, 595), 0x0660);
  expect_cursor(37, 1);
}

TEST_F(TextTest, TabsAdvanceToTheNextMultipleOfEight) {
  // From column 97 the eight spaces wrap: four end the row, four start the next.
  const std::pair<int, int> cases[] = {{5, 9}, {9, 17}, {1, 9}, {8, 9}, {97, 5}};
  for (const auto& [from, to] : cases) {
    OpenedScreen fresh;
    fresh.screen.set_text_position(1, from);
    fresh.screen.write_screen_text("\t");
    EXPECT_EQ(fresh.screen.text()->cursor_column(), to) << from;
  }
}

TEST_F(TextTest, TabDrawsSpacesOverOldText) {
  write(std::string(10, 'x'));
  screen.set_text_position(1, 5);
  write("\t");
  EXPECT_TRUE(cell_shows(1, 4, 'x', kWhite, 0));
  for (int column = 5; column <= 8; ++column) {
    EXPECT_TRUE(cell_shows(1, column, ' ', kWhite, 0));
  }
  EXPECT_TRUE(cell_shows(1, 9, 'x', kWhite, 0));
}

TEST_F(TextTest, BackspaceCarriageReturnAndBellMoveWithoutDrawing) {
  write("abc\b\bX\rY\a");
  EXPECT_TRUE(cell_shows(1, 1, 'Y', kWhite, 0));
  EXPECT_TRUE(cell_shows(1, 2, 'X', kWhite, 0));
  EXPECT_TRUE(cell_shows(1, 3, 'c', kWhite, 0));
  expect_cursor(1, 2);
  write("\r\b");
  expect_cursor(1, 1);
  EXPECT_EQ(backEnd.beeps(), (std::vector<MemoryBackEnd::Beep>{{1000, 250}}));
}

TEST_F(TextTest, PositionOutsideTheRegionIsRefused) {
  screen.set_print_region(17, 33);
  screen.set_text_position(20, 7);
  const struct {
    int row, column;
  } refused[] = {{5, 92}, {16, 1}, {34, 1}, {20, 101}, {20, -1}, {-1, 3}};
  for (const auto& call : refused) {
    screen.set_text_position(call.row, call.column);
    expect_cursor(20, 7);
  }
  EXPECT_EQ(screen.last_error(), ResultCode::illegal_call);
  screen.set_text_position(0, 9);
  expect_cursor(20, 9);
  EXPECT_EQ(channels.line_state(0).lineColumn, 8);
  screen.set_text_position(33, 0);
  expect_cursor(33, 9);
}

TEST_F(TextTest, PrintRegionZeroMeansTheWholeGrid) {
  screen.set_print_region(17, 33);
  screen.set_text_position(20, 5);
  screen.set_print_region(0, 0);
  EXPECT_EQ(screen.text()->region_top(), 1);
  EXPECT_EQ(screen.text()->region_bottom(), 37);
  expect_cursor(1, 1);
  EXPECT_EQ(channels.line_state(0).lineColumn, 0);
}

TEST_F(TextTest, InvalidPrintRegionIsIgnoredWithoutError) {
  screen.set_print_region(17, 33);
  screen.set_text_position(20, 5);
  for (const auto& [top, bottom] : {std::pair{20, 10}, std::pair{0, 38}, std::pair{-2, 5}}) {
    screen.set_print_region(top, bottom);
  }
  EXPECT_EQ(screen.text()->region_top(), 17);
  EXPECT_EQ(screen.text()->region_bottom(), 33);
  expect_cursor(20, 5);
  EXPECT_EQ(screen.last_error(), ResultCode::ok);
}

TEST_F(TextTest, ChannelZeroPrintsOnTheScreenWhileItIsOpen) {
  EXPECT_EQ(channels.line_state(0).lineWidth, 100);
  channels.write(0, "Hi");
  EXPECT_TRUE(cell_shows(1, 1, 'H', kWhite, 0));
  EXPECT_EQ(channels.line_state(0).lineColumn, 2);
  screen.set_screen_mode(0, 0, 0, 0, 0);
  EXPECT_EQ(channels.line_state(0).lineWidth, 0);
  screen.set_screen_mode(19, 16, 4, 1, 0);
  EXPECT_EQ(channels.line_state(0).lineColumn, 0);
  EXPECT_EQ(channels.line_state(0).lineWidth, 100);
  expect_cursor(1, 1);
}

}  // namespace
}  // namespace novabit::testing
