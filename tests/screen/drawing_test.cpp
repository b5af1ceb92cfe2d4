#include <gtest/gtest.h>

#include <limits>

#include "screen/canvas.h"
#include "screen_fixture.h"

namespace novabit::testing {
namespace {

constexpr std::uint16_t kGreen = 0x0660;  // 0x00CC00
constexpr std::uint16_t kWhite = 0xFFFF;

class DrawingTest : public ScreenTest {
 protected:
  // The program's graph area: screen x 1..721, y 30..202, coordinates relative to it.
  void program_viewport(Colour fill) { screen.set_viewport(1, 30, 721, 202, fill, kColourNotGiven, false); }
  // Screen pixels 10..19 in both directions, in screen coordinates.
  void small_viewport() { screen.set_viewport(10, 10, 19, 19, kColourNotGiven, kColourNotGiven, true); }
};

TEST(PixelCoordinateTest, RoundsHalvesAwayFromZero) {
  const std::pair<float, int> cases[] = {{59.5F, 60}, {59.49F, 59}, {-0.5F, -1}, {2.5F, 3},
                                         {-2.5F, -3}, {2.49F, 2},   {0.0F, 0},   {-0.4F, 0}};
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(pixel_coordinate(value), expected) << value;
  }
}

TEST_F(DrawingTest, ProgramViewportFillsExactlyItsRectangle) {
  program_viewport(0x00CC00);
  const Viewport& viewport = screen.canvas()->viewport();
  EXPECT_EQ(viewport.x, 1);
  EXPECT_EQ(viewport.y, 30);
  EXPECT_EQ(viewport.width, 721);
  EXPECT_EQ(viewport.height, 173);
  EXPECT_TRUE(viewport.set);
  EXPECT_FALSE(viewport.screenCoordinates);
  int green = 0;
  for (int y = 0; y < FrameBuffer::kHeight; ++y) {
    for (int x = 0; x < FrameBuffer::kWidth; ++x) {
      const bool inside = x >= 1 && x <= 721 && y >= 30 && y <= 202;
      ASSERT_EQ(pixel(x, y), inside ? kGreen : 0) << x << "," << y;
      green += inside ? 1 : 0;
    }
  }
  EXPECT_EQ(green, 721 * 173);
  EXPECT_EQ(marked_rows(), row_range(30, 202));
  EXPECT_EQ(screen.canvas()->cursor().x, 360);
  EXPECT_EQ(screen.canvas()->cursor().y, 86);
}

TEST_F(DrawingTest, PixelsAreOffsetByAndClippedToTheProgramViewport) {
  program_viewport(kColourNotGiven);
  const struct {
    float x, y;
    Pixels expected;
  } cases[] = {
      {0, 0, {{1, 30}}}, {720, 172, {{721, 202}}}, {721, 0, {}}, {0, 173, {}}, {59.5F, 59.49F, {{61, 89}}},
      {-0.5F, 0, {}},
  };
  for (const auto& c : cases) {
    OpenedScreen fresh;
    fresh.screen.set_viewport(1, 30, 721, 202, kColourNotGiven, kColourNotGiven, false);
    fresh.screen.set_pixel(c.x, c.y, 0xFFFFFF);
    EXPECT_EQ(fresh.lit_pixels(), c.expected) << c.x << "," << c.y;
    EXPECT_EQ(fresh.screen.canvas()->cursor().x, c.x);
  }
}

TEST_F(DrawingTest, ColourNotGivenMeansForegroundOrBackground) {
  screen.set_text_colours(kKeepColour, 0x00CC00);
  screen.draw_line(5, 5, 5, 5, kColourNotGiven);
  screen.set_pixel(6, 5, kColourNotGiven, false);
  screen.set_pixel(7, 5, kColourNotGiven, true);
  screen.draw_circle(20, 20, 0, kColourNotGiven);
  EXPECT_EQ(pixel(5, 5), kWhite);
  EXPECT_EQ(pixel(6, 5), kWhite);
  EXPECT_EQ(pixel(7, 5), kGreen);
  EXPECT_EQ(pixel(20, 20), kWhite);
}

TEST_F(DrawingTest, ProgramLinesAreClippedToTheViewport) {
  program_viewport(kColourNotGiven);
  screen.draw_line(100, 210, 100, 62, 0xFFFFFF);
  Pixels expected;
  for (int y = 92; y <= 202; ++y) {
    expected.insert({101, y});
  }
  EXPECT_EQ(lit_pixels(), expected);
  EXPECT_EQ(marked_rows(), row_range(92, 202));
  EXPECT_EQ(screen.canvas()->cursor().y, 62);
}

TEST_F(DrawingTest, HorizontalLineIsOneRunOnOneRow) {
  program_viewport(kColourNotGiven);
  screen.draw_line(0, 115, 720, 115, 0xFFFFFF);
  Pixels expected;
  for (int x = 1; x <= 721; ++x) {
    expected.insert({x, 145});
  }
  EXPECT_EQ(lit_pixels(), expected);
  EXPECT_EQ(marked_rows(), std::vector<int>{145});
}

TEST_F(DrawingTest, LineOutsideOnOneSideDrawsNothing) {
  small_viewport();
  screen.draw_line(0, 0, 9, 30, 0xFFFFFF);
  screen.draw_line(0, 25, 30, 20, 0xFFFFFF);
  EXPECT_TRUE(lit_pixels().empty());
  EXPECT_TRUE(marked_rows().empty());
}

TEST_F(DrawingTest, CrossingLineIsDrawnBetweenTruncatedCrossingPoints) {
  small_viewport();
  // Crosses x = 10 at y = 12.5 and x = 19 at y = 16.8; both truncate.
  screen.draw_line(5, 10, 25, 20, 0xFFFFFF);
  const Pixels expected{{10, 12}, {11, 12}, {12, 13}, {13, 13}, {14, 14},
                        {15, 14}, {16, 15}, {17, 15}, {18, 16}, {19, 16}};
  EXPECT_EQ(lit_pixels(), expected);
  EXPECT_EQ(marked_rows(), row_range(12, 16));
}

TEST_F(DrawingTest, SteepLineIncludesBothEndPoints) {
  screen.draw_line(3, 1, 5, 7, 0xFFFFFF);
  const Pixels lit = lit_pixels();
  EXPECT_EQ(lit.size(), 7U);  // longer extent 6, plus one
  EXPECT_TRUE(lit.contains({3, 1}));
  EXPECT_TRUE(lit.contains({5, 7}));
  EXPECT_EQ(marked_rows(), row_range(1, 7));
}

TEST_F(DrawingTest, PatternStartsAtBitFifteen) {
  screen.draw_line(0, 3, 19, 3, 0xFFFFFF, LineShape::line, 0x1A000F);  // low 16 bits: 0x000F
  Pixels expected;
  for (const int x : {12, 13, 14, 15}) {
    expected.insert({x, 3});
  }
  EXPECT_EQ(lit_pixels(), expected);
}

TEST_F(DrawingTest, FilledBoxIsCutAtTheViewportEdge) {
  program_viewport(kColourNotGiven);
  screen.draw_line(0, 61, 721, 172, 0xFFFFFF, LineShape::filled_box);
  const Pixels lit = lit_pixels();
  EXPECT_EQ(lit.size(), 721U * 112U);
  EXPECT_TRUE(lit.contains({1, 91}));
  EXPECT_TRUE(lit.contains({721, 202}));
  EXPECT_FALSE(lit.contains({722, 150}));
  EXPECT_EQ(marked_rows(), row_range(91, 202));
}

TEST_F(DrawingTest, BoxOutlineDrawsOnlyTheEdgesInside) {
  small_viewport();
  screen.draw_line(15, 17, 5, 12, 0xFFFFFF, LineShape::box);
  Pixels expected;
  for (int x = 10; x <= 15; ++x) {
    expected.insert({x, 12});
    expected.insert({x, 17});
  }
  for (int y = 12; y <= 17; ++y) {
    expected.insert({15, y});
  }
  EXPECT_EQ(lit_pixels(), expected);
  EXPECT_EQ(marked_rows(), row_range(12, 17));
}

TEST_F(DrawingTest, BorderFramesTheViewportFromOutside) {
  screen.set_viewport(10, 10, 19, 19, kColourNotGiven, 0xFFFFFF, true);
  const Pixels lit = lit_pixels();
  EXPECT_EQ(lit.size(), 44U);
  EXPECT_TRUE(lit.contains({9, 9}));
  EXPECT_TRUE(lit.contains({20, 20}));
  EXPECT_FALSE(lit.contains({10, 10}));
}

TEST_F(DrawingTest, ViewportIsCutToTheScreen) {
  screen.set_viewport(790, 590, 900, 700, 0xFFFFFF, kColourNotGiven, true);
  EXPECT_EQ(lit_pixels().size(), 100U);
  screen.set_viewport(-30, -30, -1, -1, 0xFFFFFF, kColourNotGiven, true);
  EXPECT_EQ(screen.canvas()->viewport().width, 0);
  screen.set_pixel(0, 0, 0xFFFFFF);
  screen.draw_line(0, 0, 799, 599, 0xFFFFFF);
  screen.draw_circle(0, 0, 2, 0xFFFFFF);
  EXPECT_EQ(lit_pixels().size(), 100U);
}

Pixels diamond(int cx, int cy) {
  return {{cx, cy - 2}, {cx - 1, cy - 1}, {cx, cy - 1}, {cx + 1, cy - 1}, {cx - 2, cy}, {cx - 1, cy}, {cx, cy},
          {cx + 1, cy},  {cx + 2, cy},     {cx - 1, cy + 1}, {cx, cy + 1}, {cx + 1, cy + 1}, {cx, cy + 2}};
}

TEST_F(DrawingTest, FilledCirclesOfTheProgramsRadii) {
  screen.draw_circle(50, 50, 1, 0xFFFFFF, 0, true);
  EXPECT_EQ(lit_pixels(), (Pixels{{50, 49}, {49, 50}, {50, 50}, {51, 50}, {50, 51}}));
  EXPECT_EQ(marked_rows(), row_range(49, 51));

  OpenedScreen two;
  two.screen.draw_circle(50, 50, 2, 0xFFFFFF, 0, true);
  EXPECT_EQ(two.lit_pixels(), diamond(50, 50));
  EXPECT_EQ(two.marked_rows(), row_range(48, 52));

  OpenedScreen zero;
  zero.screen.draw_circle(50, 50, 0, 0xFFFFFF, 0, false);
  EXPECT_EQ(zero.lit_pixels(), (Pixels{{50, 50}}));
}

TEST_F(DrawingTest, CircleAtTheViewportTopLosesItsTopRowOnly) {
  program_viewport(kColourNotGiven);
  screen.draw_circle(100, 1, 2, 0xFFFFFF, 0, true);
  Pixels expected = diamond(101, 31);
  expected.erase({101, 29});
  EXPECT_EQ(lit_pixels(), expected);
  EXPECT_EQ(marked_rows(), row_range(30, 33));
  EXPECT_EQ(screen.canvas()->cursor().x, 100);
  EXPECT_EQ(screen.canvas()->cursor().y, 1);
}

TEST_F(DrawingTest, UnfilledCircleSetsOnlyTheEndsOfItsSpans) {
  screen.draw_circle(50, 50, 2, 0xFFFFFF, 0, false);
  EXPECT_EQ(lit_pixels(), (Pixels{{50, 48}, {49, 49}, {51, 49}, {48, 50}, {52, 50}, {49, 51}, {51, 51}, {50, 52}}));
}

TEST_F(DrawingTest, ExtremeCoordinatesAreClippedWithoutOverflow) {
  screen.draw_line(-1e30F, 7, 1e30F, 7, 0xFFFFFF);
  screen.draw_line(-3e9F, -2e9F, 3e9F, 2e9F, 0xFFFFFF);
  EXPECT_EQ(pixel(0, 7), 0xFFFF);
  EXPECT_EQ(pixel(799, 7), 0xFFFF);
  const float notANumber = std::numeric_limits<float>::quiet_NaN();
  screen.set_pixel(notANumber, 3, 0xFF4444);
  EXPECT_EQ(pixel(0, 3), 0xFA28);
  screen.draw_circle(400, 300, 1e30F, 0x00CC00);
  EXPECT_EQ(pixel(0, 0), kGreen);
  EXPECT_EQ(pixel(799, 599), kGreen);
  EXPECT_EQ(marked_rows(), row_range(0, 599));
}

TEST_F(DrawingTest, NothingIsDrawnWithoutAScreen) {
  screen.set_screen_mode(0, 0, 0, 0, 0);
  screen.set_viewport(0, 0, 799, 599, 0xFFFFFF, kColourNotGiven, false);
  screen.draw_line(0, 0, 10, 10, 0xFFFFFF);
  screen.draw_circle(5, 5, 2, 0xFFFFFF);
  screen.set_pixel(1, 1, 0xFFFFFF);
  EXPECT_EQ(screen.screen_memory(), nullptr);
  EXPECT_EQ(screen.canvas(), nullptr);
}

}  // namespace
}  // namespace novabit::testing
