// The drawing operations on a memory screen: the graph area's viewport, its
// offsets and clipping, lines (clipped by outcodes, Bresenham between), boxes,
// the dots' circles, and coordinates far off the screen.

#include <gtest/gtest.h>

#include <limits>

#include "screen/canvas.h"
#include "screen_fixture.h"

namespace novabit::testing {
namespace {

constexpr std::uint16_t kGreen = 0x0660;  // 0x00CC00

class DrawingTest : public ScreenTest {
 protected:
  // The program's graph area: screen x 1..721, y 30..202, coordinates relative to it.
  void graph_area(Colour fill) { screen.set_viewport(1, 30, 721, 202, fill, kColourNotGiven, false); }
};

Pixels diamond(int cx, int cy) {
  return {{cx, cy - 2}, {cx - 1, cy - 1}, {cx, cy - 1}, {cx + 1, cy - 1}, {cx - 2, cy}, {cx - 1, cy}, {cx, cy},
          {cx + 1, cy},  {cx + 2, cy},     {cx - 1, cy + 1}, {cx, cy + 1}, {cx + 1, cy + 1}, {cx, cy + 2}};
}

TEST(PixelCoordinateTest, RoundsHalvesAwayFromZero) {
  const std::pair<float, int> cases[] = {{59.5F, 60}, {59.49F, 59}, {-0.5F, -1}, {-2.5F, -3}, {-0.4F, 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(pixel_coordinate(value), expected) << value;
}

TEST_F(DrawingTest, TheGraphAreaIsFilledAndOffsetsAndClipsWhatIsDrawnInIt) {
  graph_area(0x00CC00);
  for (int y = 0; y < FrameBuffer::kHeight; ++y) {
    for (int x = 0; x < FrameBuffer::kWidth; ++x) {
      ASSERT_EQ(pixel(x, y), x >= 1 && x <= 721 && y >= 30 && y <= 202 ? kGreen : 0) << x << "," << y;
    }
  }
  EXPECT_EQ(marked_rows(), row_range(30, 202));
  graph_area(kColourNotGiven);
  const struct {
    float x, y;
    Pixels lit;
  } pixels[] = {{0, 0, {{1, 30}}}, {720, 172, {{721, 202}}}, {721, 0, {}}, {0, 173, {}}, {59.5F, 59.49F, {{61, 89}}}};
  for (const auto& c : pixels) {
    OpenedScreen fresh;
    fresh.screen.set_viewport(1, 30, 721, 202, kColourNotGiven, kColourNotGiven, false);
    fresh.screen.set_pixel(c.x, c.y, 0xFFFFFF);
    EXPECT_EQ(fresh.lit_pixels(), c.lit) << c.x << "," << c.y;
  }
  OpenedScreen lines;
  lines.screen.set_viewport(1, 30, 721, 202, kColourNotGiven, kColourNotGiven, false);
  lines.screen.draw_line(100, 210, 100, 62, 0xFFFFFF);
  lines.screen.draw_line(0, 115, 720, 115, 0xFFFFFF);
  lines.screen.draw_line(0, 61, 721, 172, 0xFFFFFF, LineShape::filled_box);
  Pixels lit = lines.lit_pixels();
  EXPECT_EQ(lit.size(), 721U * 112U) << "the box covers the line and is cut at x 722";
  EXPECT_TRUE(lit.contains({1, 91}) && lit.contains({721, 202}) && !lit.contains({722, 150}));
  EXPECT_EQ(lines.marked_rows(), row_range(91, 202));
}

TEST_F(DrawingTest, SlopedLinesAreClippedAtTheirTruncatedCrossingPointsAndKeepBothEnds) {
  screen.set_viewport(10, 10, 19, 19, kColourNotGiven, kColourNotGiven, true);
  // Crosses x = 10 at y = 12.5 and x = 19 at y = 16.8; both truncate.
  screen.draw_line(5, 10, 25, 20, 0xFFFFFF);
  screen.draw_line(0, 0, 9, 30, 0xFFFFFF);
  EXPECT_EQ(lit_pixels(), (Pixels{{10, 12}, {11, 12}, {12, 13}, {13, 13}, {14, 14}, {15, 14}, {16, 15}, {17, 15},
                                  {18, 16}, {19, 16}}));
  OpenedScreen steep;
  steep.screen.draw_line(3, 1, 5, 7, 0xFFFFFF);
  steep.screen.draw_line(0, 3, 19, 3, 0xFFFFFF, LineShape::line, 0x1A000F);  // pattern: low 16 bits, from bit 15
  EXPECT_EQ(steep.lit_pixels(), (Pixels{{3, 1}, {3, 2}, {4, 3}, {4, 4}, {4, 5}, {5, 6}, {5, 7}, {12, 3}, {13, 3},
                                        {14, 3}, {15, 3}}));
}

TEST_F(DrawingTest, DotsAreFilledPlusesAndDiamondsClippedByTheViewport) {
  screen.draw_circle(50, 50, 1, 0xFFFFFF, 0, true);
  EXPECT_EQ(lit_pixels(), (Pixels{{50, 49}, {49, 50}, {50, 50}, {51, 50}, {50, 51}}));
  OpenedScreen two;
  two.screen.set_viewport(1, 30, 721, 202, kColourNotGiven, kColourNotGiven, false);
  two.screen.draw_circle(100, 1, 2, 0xFFFFFF, 0, true);
  Pixels expected = diamond(101, 31);
  expected.erase({101, 29});
  EXPECT_EQ(two.lit_pixels(), expected);
  EXPECT_EQ(two.marked_rows(), row_range(30, 33));
}

TEST_F(DrawingTest, ColourNotGivenMeansForegroundOrBackground) {
  screen.set_text_colours(kKeepColour, 0x00CC00);
  screen.draw_line(5, 5, 5, 5, kColourNotGiven);
  screen.set_pixel(6, 5, kColourNotGiven, false);
  screen.set_pixel(7, 5, kColourNotGiven, true);
  EXPECT_EQ(std::vector({pixel(5, 5), pixel(6, 5), pixel(7, 5)}), std::vector<std::uint16_t>({0xFFFF, 0xFFFF, kGreen}));
}

TEST_F(DrawingTest, FarCoordinatesAreClippedWithoutOverflow) {
  screen.draw_line(-1e30F, 7, 1e30F, 7, 0xFFFFFF);
  screen.draw_line(-3e9F, -2e9F, 3e9F, 2e9F, 0xFFFFFF);
  screen.set_pixel(std::numeric_limits<float>::quiet_NaN(), 3, 0xFF4444);
  screen.draw_circle(400, 300, 1e30F, 0x00CC00);
  EXPECT_EQ(pixel(0, 0), kGreen);
  EXPECT_EQ(pixel(799, 599), kGreen);
  EXPECT_EQ(marked_rows(), row_range(0, 599));
  screen.set_viewport(790, 590, 900, 700, 0xFFFFFF, kColourNotGiven, true);
  EXPECT_EQ(screen.canvas()->viewport().width * screen.canvas()->viewport().height, 100);
}

}  // namespace
}  // namespace novabit::testing
