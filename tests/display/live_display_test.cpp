// What the passes put on top of the frame: the text panel's bits and
// reports, the second's pixel, the checkpoint dots and the CycleEnd redraw.

#include <gtest/gtest.h>

#include <string>

#include "display/display_fixture.h"
#include "display/expected_frame.h"

namespace novabit::testing {
namespace {

constexpr Colour kWhite = 0xFFFFFF;

class LiveDisplayTest : public DisplayTest {
 protected:
  LiveDisplayTest() { start_up(); }
};

TEST_F(LiveDisplayTest, FirstPassFillsRowsSeventeenToTwentyWithItsBits) {
  std::string bits;
  for (int i = 0; i < 200; ++i) {
    const int bit = i % 3 == 0 ? 1 : 0;
    display_.print_bit(bit);
    bits += bit == 1 ? " 1" : " 0";
  }
  for (int cell = 0; cell < 400; cell += 2) {
    const Colour colour = bits[static_cast<std::size_t>(cell) + 1] == '1' ? 0x55DD55 : 0x337733;
    const int row = 17 + cell / 100;
    ASSERT_TRUE(shows_text(frame(), row, 1 + cell % 100, bits.substr(static_cast<std::size_t>(cell), 2), colour, 0));
  }
  EXPECT_EQ(text().cursor_row(), 21);
  EXPECT_EQ(text().cursor_column(), 1);
  EXPECT_EQ(row_text(frame(), 21), std::string(100, ' '));
}

TEST_F(LiveDisplayTest, ReportLinesAndSeparatorFollowTheBitsInWhite) {
  show_pass(1, 108, 92, 8, 0x4444FF, 0, 0);
  EXPECT_TRUE(shows_text(frame(), 21, 1, " 1> hora = 22:10:00         fecha = 12-05-2026", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 22, 1, " CEROS = 108  UNOS = 92", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 23, 1, " > Desviacion hacia el CERO = 8 %", kWhite, 0));
  EXPECT_EQ(pixel(1, 30), pixel_from_colour(0x4444FF));
  display_.print_separator();
  EXPECT_TRUE(shows_text(frame(), 24, 1, std::string(99, '-'), kWhite, 0));
  EXPECT_EQ(text().cursor_row(), 24);
  EXPECT_EQ(text().cursor_column(), 100);
  // The next pass's first bit starts in the separator's last column.
  display_.print_bit(1);
  EXPECT_TRUE(shows_text(frame(), 24, 100, " ", 0x55DD55, 0));
  EXPECT_TRUE(shows_text(frame(), 25, 1, "1", 0x55DD55, 0));
}

TEST_F(LiveDisplayTest, BalancedPassHasItsOwnLineColourAndAWhitePoint) {
  show_pass(1, 100, 100, 0, kWhite, 12, 34);
  EXPECT_TRUE(shows_text(frame(), 23, 1, " > CEROS = UNOS", 0xFF7733, 0));
  EXPECT_EQ(pixel(13, 64), 0xFFFF);
  display_.print_separator();
  EXPECT_TRUE(shows_text(frame(), 24, 1, std::string(99, '-'), kWhite, 0));
}

TEST_F(LiveDisplayTest, ForcedPassOfOnesShowsAFullDeviation) {
  show_pass(7, 0, 200, 100, 0xFF4444, 0, 6);
  std::string ones;
  for (int i = 0; i < 50; ++i) ones += " 1";
  for (int row = 17; row <= 20; ++row) EXPECT_TRUE(shows_text(frame(), row, 1, ones, 0x55DD55, 0));
  EXPECT_TRUE(shows_text(frame(), 22, 1, " CEROS = 0    UNOS = 200", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 23, 1, " > Desviacion hacia el UNO = 100 %", kWhite, 0));
  EXPECT_EQ(pixel(1, 36), 0xFA28);
}

TEST_F(LiveDisplayTest, SecondPointsLandOnTheirScreenPixels) {
  const struct {
    int minute, second, x, y;
  } points[] = {{0, 0, 1, 30}, {3, 4, 4, 34}, {719, 59, 720, 89}, {720, 0, 721, 30}};
  for (const auto& point : points) {
    const Picture before = picture();
    display_.plot_second_point(point.minute, point.second, 0xFF4444);
    Picture expected = before;
    expected.set(point.x, point.y, 0xFF4444);
    EXPECT_TRUE(same_picture(picture(), expected)) << point.minute << ":" << point.second;
  }
}

TEST_F(LiveDisplayTest, CheckpointDotsAreDiamondsAndPlusesClippedToTheGraphArea) {
  const struct {
    int x, y, radius;
    Colour colour;
    int screenX, screenY;
  } dots[] = {
      {5, 116, 2, 0x8888DD, 6, 146},      // a quarter leaning towards zero
      {5, 114, 1, 0xDD4444, 6, 144},      // the five-minute dot of the same pass
      {10, 115, 2, kWhite, 11, 145},      // balanced, on the centre line
      {15, 58, 2, 0xDD8888, 16, 88},      // deviating enough to reach into the SecondsBand
      {720, 100, 2, 0xDD8888, 721, 130},  // its right half lies beyond the graph area
      {0, 1, 2, 0xDD4444, 1, 31},         // its left and top parts too
  };
  for (const auto& dot : dots) {
    const Picture before = picture();
    Picture expected = before;
    paint_dot(expected, dot.screenX, dot.screenY, dot.radius, dot.colour);
    for (int y = 0; y < Picture::kHeight; ++y) {
      for (int x = 0; x < Picture::kWidth; ++x) {
        if (x < 1 || x > 721 || y < 30 || y > 202) expected.copy_pixel(before, x, y);
      }
    }
    display_.draw_checkpoint_dot(dot.x, dot.y, dot.radius, dot.colour);
    EXPECT_TRUE(same_picture(picture(), expected)) << dot.x << "," << dot.y;
  }
}

TEST_F(LiveDisplayTest, DotBeyondTheGraphAreaShowsNothing) {
  const Picture before = picture();
  display_.draw_checkpoint_dot(725, 115, 1, 0x4444DD);
  display_.draw_checkpoint_dot(725, 115, 2, 0x8888DD);
  EXPECT_TRUE(same_picture(picture(), before));
}

TEST_F(LiveDisplayTest, ScrollingPassesMoveOnlyTheTextPanel) {
  const Picture startUp = picture();
  for (int pass = 1; pass <= 5; ++pass) {
    show_pass(pass, 100 + pass, 100 - pass, pass, 0x4444FF, 0, pass - 1);
    display_.print_separator();
  }
  Picture expected = startUp;
  for (int second = 0; second < 5; ++second) expected.set(1, 30 + second, 0x4444FF);
  expected.copy_rows(picture(), 16 * 16, 33 * 16 - 1);
  EXPECT_TRUE(same_picture(picture(), expected));
  EXPECT_EQ(text().cursor_row(), 33);
  EXPECT_EQ(text().cursor_column(), 100);
  EXPECT_EQ(row_text(frame(), 33, 1, 99), std::string(99, '-'));
  EXPECT_EQ(row_text(frame(), 32), " > Desviacion hacia el CERO = 5 %" + std::string(67, ' '));
}

TEST_F(LiveDisplayTest, CycleEndRedrawsPanelAndFrameAndKeepsTheTextPanel) {
  show_pass(43201, 103, 97, 3, 0x4444FF, 720, 0);
  EXPECT_EQ(pixel(721, 30), pixel_from_colour(0x4444FF));
  display_.draw_checkpoint_dot(5, 120, 2, 0x8888DD);
  const Picture before = picture();

  wallClock_.set({2026, 12, 6, 10, 10, 0});
  display_.redraw_cycle_display({1, 12.5, std::nullopt}, kRunStart);
  Picture expected = expected_frame(kRunStart, "12-06-2026");
  paint_side_panel(expected, " 1", "12.50", "--.--");
  expected.copy_rows(before, 16 * 16, 33 * 16 - 1);
  EXPECT_TRUE(same_picture(picture(), expected));
  EXPECT_EQ(text().region_top(), 17);
  EXPECT_EQ(text().region_bottom(), 33);
  EXPECT_EQ(text().cursor_row(), 17);
  EXPECT_EQ(text().cursor_column(), 1);

  display_.print_separator();
  expected.text(17, 1, std::string(99, '-'), 0x00FF00, 0);
  EXPECT_TRUE(same_picture(picture(), expected));
  // The new cycle's first point.
  display_.plot_second_point(0, 0, 0xFF4444);
  EXPECT_EQ(pixel(1, 30), 0xFA28);
}

}  // namespace
}  // namespace novabit::testing
