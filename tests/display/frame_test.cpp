// The fixed picture at start-up: the frame and the labelled side panel.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "display/display_fixture.h"
#include "display/expected_frame.h"
#include "display/monitor_texts.h"

namespace novabit::testing {
namespace {

const std::filesystem::path kGoldenStartUp = std::filesystem::path(__FILE__).parent_path() / "golden/start_up.png";

Picture expected_start_up() {
  Picture picture = expected_frame(kRunStart, "12-05-2026");
  paint_side_panel(picture, " 0", "", "");
  return picture;
}

TEST(MonitorTextsTest, TitleAndCreditsKeepTheirLengthsInPlainAscii) {
  EXPECT_EQ(kWindowTitle.size(), 101U);
  EXPECT_TRUE(
      kWindowTitle.starts_with("NOVABIT - Generador aleatorio 0/1 x 200 bits/sg. InvestigaciOn independiente "));
  EXPECT_EQ(kCreditsLine.size(), 99U);
  for (const std::string_view text : {kWindowTitle, kCreditsLine}) {
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) << text;
  }
}

using FrameTest = DisplayTest;

TEST_F(FrameTest, StartUpPictureIsTheLayoutPixelForPixel) {
  start_up();
  EXPECT_TRUE(same_picture(picture(), expected_start_up()));
}

TEST_F(FrameTest, StartUpPictureIsTheReviewedGolden) {
  start_up();
  const std::optional<Picture> golden = Picture::read_png(kGoldenStartUp);
  ASSERT_TRUE(golden) << kGoldenStartUp;
  EXPECT_TRUE(same_picture(picture(), *golden));
}

// Run with --gtest_also_run_disabled_tests after a deliberate change of the
// layout, then look at the picture before committing it.
TEST_F(FrameTest, DISABLED_WriteGoldenStartUp) {
  start_up();
  ASSERT_TRUE(picture().write_png(kGoldenStartUp));
}

TEST_F(FrameTest, TheDisplayShowsTheFrameAsDrawn) {
  start_up();
  screen_.tick();
  EXPECT_EQ(backEnd_.picture(), picture().pixels());
}

TEST_F(FrameTest, BandsCoverTheGraphAreaOnly) {
  start_up();
  for (int y = 30; y <= 202; ++y) {
    EXPECT_EQ(pixel(0, y), 0) << y;
    EXPECT_EQ(pixel(722, y), 0) << y;
  }
  // Between the grid lines, away from captions and reference lines.
  EXPECT_EQ(pixel(2, 30), 0x0660);
  EXPECT_EQ(pixel(720, 90), 0x0660);
  EXPECT_EQ(pixel(2, 91), 0x0008);
  EXPECT_EQ(pixel(720, 202), 0x0008);
  EXPECT_EQ(pixel(721, 30), 0x0660);
  EXPECT_EQ(pixel(721, 31), pixel_from_colour(0x00AA00));
  EXPECT_EQ(pixel(721, 91), 0x0008);
  EXPECT_EQ(pixel(721, 92), pixel_from_colour(0x000088));
  EXPECT_EQ(pixel(721, 145), pixel_from_colour(0x008800));
}

TEST_F(FrameTest, TickMarksShowTheirVisibleRowsAndTheLaterSetWins) {
  start_up();
  const struct {
    int x;
    int upperTop;
    std::uint16_t upper;
    int lowerBottom;
    std::uint16_t lower;
  } marks[] = {
      {1, 22, 0xFFFF, 208, 0xFFFF},  {6, 28, 0x0440, 204, 0x0011},   {11, 26, 0x8EF1, 206, 0x8C5B},
      {31, 22, 0xFFFF, 208, 0xFFFF}, {716, 28, 0x0440, 204, 0x0011}, {721, 22, 0xFFFF, 208, 0xFFFF},
  };
  for (const auto& mark : marks) {
    for (int y = 16; y <= 29; ++y) EXPECT_EQ(pixel(mark.x, y), y >= mark.upperTop ? mark.upper : 0) << mark.x;
    for (int y = 203; y <= 207; ++y) EXPECT_EQ(pixel(mark.x, y), y <= mark.lowerBottom ? mark.lower : 0) << mark.x;
  }
  for (const int x : {2, 5, 7, 722}) {
    for (int y = 16; y <= 29; ++y) EXPECT_EQ(pixel(x, y), 0) << x;
    for (int y = 203; y <= 207; ++y) EXPECT_EQ(pixel(x, y), 0) << x;
  }
}

TEST_F(FrameTest, GradientBarsRunFromTheirFirstToTheirLastShade) {
  start_up();
  const auto cell_colour = [&](int row, int column) { return pixel((column - 1) * 8 + 3, (row - 1) * 16 + 7); };
  EXPECT_EQ(cell_colour(16, 1), pixel_from_colour(0x00FD00));
  EXPECT_EQ(cell_colour(16, 99), pixel_from_colour(0x003900));
  EXPECT_EQ(cell_colour(34, 1), pixel_from_colour(0x003400));
  EXPECT_EQ(cell_colour(34, 99), pixel_from_colour(0x00F800));
  for (const int row : {16, 34}) {
    for (int y = (row - 1) * 16; y < row * 16; ++y) {
      for (int x = 792; x < 800; ++x) EXPECT_EQ(pixel(x, y), 0) << row;
    }
  }
}

TEST_F(FrameTest, FrameLeavesTheGraphAreaGreenOnBlackAndTheCursorOnRowThirteen) {
  display_.draw_frame(kRunStart);
  const Viewport& viewport = screen_.canvas()->viewport();
  EXPECT_EQ(viewport.x, 1);
  EXPECT_EQ(viewport.y, 30);
  EXPECT_EQ(viewport.width, 721);
  EXPECT_EQ(viewport.height, 173);
  EXPECT_FALSE(viewport.screenCoordinates);
  const TextColours colours = screen_.set_text_colours(kKeepColour, kKeepColour);
  EXPECT_EQ(colours.foreground, 0x07E0);
  EXPECT_EQ(colours.background, 0);
  EXPECT_EQ(text().cursor_row(), 13);
  EXPECT_EQ(text().cursor_column(), 1);
}

TEST_F(FrameTest, SidePanelLeavesTheTextPanelAsPrintRegion) {
  start_up();
  EXPECT_EQ(text().region_top(), 17);
  EXPECT_EQ(text().region_bottom(), 33);
  EXPECT_EQ(text().cursor_row(), 17);
  EXPECT_EQ(text().cursor_column(), 1);
  EXPECT_EQ(row_text(frame(), 5, 92), " 0       ");
  EXPECT_EQ(row_text(frame(), 9, 92), "         ");
  EXPECT_EQ(row_text(frame(), 13, 92), "         ");
}

}  // namespace
}  // namespace novabit::testing
