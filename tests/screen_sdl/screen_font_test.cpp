// The glyphs the monitor's texts rely on, by the shapes of the IBM PC's
// 8 x 16 character set rather than by copies of the table.

#include "screen/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace novabit {
namespace {

std::array<std::uint8_t, 16> glyph(int byte) {
  std::array<std::uint8_t, 16> rows{};
  std::copy_n(screen_font().begin() + 16 * byte, 16, rows.begin());
  return rows;
}

int lit_rows(int byte) {
  const auto rows = glyph(byte);
  return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](std::uint8_t row) { return row != 0; }));
}

TEST(ScreenFont, BoxLinesBlocksAndBlanksHaveTheirShapes) {
  const auto vertical = glyph(0xB3);
  EXPECT_TRUE(std::all_of(vertical.begin(), vertical.end(), [&](std::uint8_t row) { return row == vertical[0] && row != 0; }));
  EXPECT_EQ(lit_rows(0xC4), 1) << "a horizontal line";
  EXPECT_EQ(glyph(0xC4)[7], 0xFF);
  const auto block = glyph(0xDB);
  EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](std::uint8_t row) { return row == 0xFF; }));
  EXPECT_EQ(lit_rows(0xFA), 1) << "a small centred dot";
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(lit_rows(byte) == 0, byte == 0x00 || byte == 0x20 || byte == 0xFF) << byte;
  }
  // Bit 0 is the leftmost pixel: the foot of 'L' reaches further left than its top right does.
  EXPECT_EQ(glyph('L')[2] & 1, 1);
  EXPECT_EQ(lit_rows(0xA2) * 100 + lit_rows(0xF3), 906) << "the accented o and the less-or-equal sign";
}

}  // namespace
}  // namespace novabit
