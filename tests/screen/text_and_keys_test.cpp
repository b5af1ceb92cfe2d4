// What the text rules' model in the screen-text fuzz corpus does not show:
// colours as the display shows them, text colours kept and returned, and the
// keys as a program reads them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing/colour.h"
#include "screen/end_steps.h"
#include "screen/key_buffer.h"
#include "screen/key_translation.h"
#include "screen_fixture.h"

namespace novabit::testing {
namespace {

TEST(ColourTest, ConvertsToFiveSixFiveAndShowsWithLowBitsCleared) {
  const struct {
    Colour colour;
    std::uint16_t pixel;
  } cases[] = {{0x00CC00, 0x0660}, {0x55DD55, 0x56EA}, {0x337733, 0x33A6},  {0x000044, 0x0008},
               {0xFF4444, 0xFA28}, {0xFFFFFF, 0xFFFF}, {0xAB123456, 0x11AA}};
  for (const auto& c : cases) {
    EXPECT_EQ(pixel_from_colour(c.colour), c.pixel) << std::hex << c.colour;
    EXPECT_EQ(rgb_from_pixel(c.pixel), c.colour & 0xF8FCF8) << std::hex << c.colour;
  }
}

TEST_F(ScreenTest, TextColoursAreKeptAndReturned) {
  EXPECT_EQ(screen.set_text_colours(0x55DD55, kKeepColour).foreground, 0xFFFF);
  const TextColours kept = screen.set_text_colours(kKeepColour, kKeepColour);
  EXPECT_EQ(kept.foreground * 0x10000 + kept.background, 0x56EA0000);
}

TEST(EndStepsTest, RunInReverseOrderOfRegistrationAndOnlyOnce) {
  EndSteps steps;
  std::string order;
  steps.add([&order] { order += "screen "; });
  steps.add([&order] { order += "files "; });
  steps.run_all();
  steps.run_all();
  EXPECT_EQ(order, "files screen ");
}

}  // namespace
}  // namespace novabit::testing
