// The drawing operations on a memory screen where the monitor's pictures do
// not show them: sloped lines (clipped by outcodes, Bresenham between, as the
// report draws them), patterns, and coordinates far off the screen. The graph
// area, its grid and the dots are checked in whole pictures.

#include <gtest/gtest.h>

#include <limits>
#include <numeric>

#include "drawing/canvas.h"
#include "screen/screen_fixture.h"

namespace novabit::testing {
namespace {

using DrawingTest = ScreenTest;

TEST(PixelCoordinateTest, RoundsHalvesAwayFromZero) {
  const std::pair<float, int> cases[] = {{59.5F, 60}, {59.49F, 59}, {-0.5F, -1}, {-2.5F, -3}, {-0.4F, 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(pixel_coordinate(value), expected) << value;
}

TEST_F(DrawingTest, SlopedLinesAreClippedAtTheirTruncatedCrossingPointsAndKeepBothEnds) {
  screen.set_viewport(10, 10, 19, 19, kColourNotGiven, kColourNotGiven, true);
  // Crosses x = 10 at y = 12.5 and x = 19 at y = 16.8; both truncate.
  screen.draw_line(5, 10, 25, 20, 0xFFFFFF);
  screen.draw_line(0, 0, 9, 30, 0xFFFFFF);
  EXPECT_EQ(lit_pixels(),
            (Pixels{{10, 12}, {11, 12}, {12, 13}, {13, 13}, {14, 14}, {15, 14}, {16, 15}, {17, 15}, {18, 16}, {19, 16}}));
  OpenedScreen steep;
  steep.screen.draw_line(3, 1, 5, 7, 0xFFFFFF);
  steep.screen.draw_line(0, 3, 19, 3, 0xFFFFFF, LineShape::line, 0x1A000F);  // pattern: low 16 bits, from bit 15
  EXPECT_EQ(steep.lit_pixels(),
            (Pixels{{3, 1}, {3, 2}, {4, 3}, {4, 4}, {4, 5}, {5, 6}, {5, 7}, {12, 3}, {13, 3}, {14, 3}, {15, 3}}));
}

TEST_F(DrawingTest, FarCoordinatesAreClippedWithoutOverflow) {
  screen.draw_line(-1e30F, 7, 1e30F, 7, 0xFFFFFF);
  screen.draw_line(-3e9F, -2e9F, 3e9F, 2e9F, 0xFFFFFF);
  screen.set_pixel(std::numeric_limits<float>::quiet_NaN(), 3, 0xFF4444);
  screen.draw_circle(400, 300, 1e30F, 0x00CC00);
  EXPECT_EQ(pixel(0, 0), 0x0660);
  EXPECT_EQ(pixel(799, 599), 0x0660);
  std::vector<int> everyRow(600);
  std::iota(everyRow.begin(), everyRow.end(), 0);
  EXPECT_EQ(marked_rows(), everyRow);
  screen.set_viewport(790, 590, 900, 700, 0xFFFFFF, kColourNotGiven, true);
  EXPECT_EQ(screen.canvas()->viewport().width * screen.canvas()->viewport().height, 100);
}

}  // namespace
}  // namespace novabit::testing
