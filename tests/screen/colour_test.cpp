#include "screen/colour.h"

#include <gtest/gtest.h>

namespace novabit {
namespace {

struct ColourCase {
  Colour colour;
  std::uint16_t pixel;
  std::uint32_t shown;
};

TEST(ColourTest, ConvertsToFiveSixFiveAndShowsWithLowBitsCleared) {
  const ColourCase cases[] = {
      {0x00CC00, 0x0660, 0x00CC00}, {0x55DD55, 0x56EA, 0x50DC50}, {0x337733, 0x33A6, 0x307430},
      {0x000044, 0x0008, 0x000040}, {0xFF4444, 0xFA28, 0xF84440}, {0xFFFFFF, 0xFFFF, 0xF8FCF8},
      {0x123456, 0x11AA, 0x103450}, {0x000000, 0x0000, 0x000000},
  };
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.colour);
    EXPECT_EQ(pixel_from_colour(c.colour), c.pixel);
    EXPECT_EQ(rgb_from_pixel(c.pixel), c.shown);
    EXPECT_EQ(c.shown, c.colour & 0xF8FCF8);
  }
}

TEST(ColourTest, IgnoresTheTopByteAndKeepsOnlyTheMaskBits) {
  EXPECT_EQ(pixel_from_colour(0xAB123456), 0x11AA);
  EXPECT_EQ(pixel_from_colour(0xFFFFFF, 0xFF), 0xFF);
}

}  // namespace
}  // namespace novabit
