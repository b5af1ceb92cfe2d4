// What the text rules' model in the screen-text fuzz corpus does not show:
// colours as the display shows them, text colours kept and returned, and the
// keys as a program reads them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/colour.h"
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
  } cases[] = {{0x00CC00, 0x0660}, {0x55DD55, 0x56EA}, {0x337733, 0x33A6}, {0x000044, 0x0008},
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

// Keys come oldest first; a full ring drops the oldest, keeping 15; a key is
// 0, 1 or 2 bytes; characters become code page 437, special keys the PC's
// extended codes, Alt+F4 the close request's.
TEST(KeysTest, AsTheProgramReadsThem) {
  KeyBuffer keys;
  for (KeyCode code = 1; code <= 20; ++code) keys.post(code);
  std::vector<KeyCode> taken;
  for (KeyCode code = keys.take(); code != 0; code = keys.take()) taken.push_back(code);
  EXPECT_EQ(taken, (std::vector<KeyCode>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
  EXPECT_EQ(key_text(0), "");
  EXPECT_EQ(key_text(' '), " ");
  EXPECT_EQ(key_text(*cp437_from_code_point(0x00E9)), "\x82");
  EXPECT_EQ(cp437_from_code_point(0x20AC), std::nullopt);
  EXPECT_EQ(key_text(extended_key_code(0x48, modifier_none)), "\xFF\x48");  // Up
  EXPECT_EQ(key_text(extended_key_code(0x3B, modifier_none)), "\xFF\x3B");  // F1
  EXPECT_EQ(key_text(extended_key_code(0x3B, modifier_shift)), "\xFF\x54");
  EXPECT_EQ(extended_key_code(0x3E, modifier_alt), kCloseKey);
  EXPECT_EQ(key_text(kCloseKey), "\xFFk");
  EXPECT_EQ(extended_key_code(0x39, modifier_none), 0) << "the space arrives as text";
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
