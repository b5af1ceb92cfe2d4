#include "screen/font.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

namespace novabit {
namespace {

// One glyph as 16 rows of 8 characters, '#' for a set pixel, leftmost pixel first.
std::array<std::string, 16> picture_of(int byte) {
  std::array<std::string, 16> rows;
  for (int row = 0; row < 16; ++row) {
    const std::uint8_t bits = screen_font()[16 * byte + row];
    for (int column = 0; column < 8; ++column) {
      rows[row] += (bits >> column & 1) ? '#' : '.';
    }
  }
  return rows;
}

struct GlyphCase {
  int byte;
  std::array<std::string, 16> rows;
};

void PrintTo(const GlyphCase& glyphCase, std::ostream* out) { *out << "byte " << glyphCase.byte; }

class ScreenFontGlyph : public testing::TestWithParam<GlyphCase> {};

TEST_P(ScreenFontGlyph, MatchesItsPicture) {
  EXPECT_EQ(picture_of(GetParam().byte), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    KeyGlyphs, ScreenFontGlyph,
    testing::Values(
        GlyphCase{0xB3, {"...##...", "...##...", "...##...", "...##...", "...##...", "...##...",
                         "...##...", "...##...", "...##...", "...##...", "...##...", "...##...",
                         "...##...", "...##...", "...##...", "...##..."}},
        GlyphCase{0xC4, {"........", "........", "........", "........", "........", "........",
                         "........", "########", "........", "........", "........", "........",
                         "........", "........", "........", "........"}},
        GlyphCase{0xDB, {"########", "########", "########", "########", "########", "########",
                         "########", "########", "########", "########", "########", "########",
                         "########", "########", "########", "########"}},
        // The acute accent leans to the right, so the rows are not mirrored.
        GlyphCase{0xA2, {"........", "........", "....##..", "...##...", "........", ".#####..",
                         "##...##.", "##...##.", "##...##.", "##...##.", "##...##.", ".#####..",
                         "........", "........", "........", "........"}},
        GlyphCase{0xF3, {"........", "........", "........", "........", "....###.", "..###...",
                         "###.....", "..###...", "....###.", "........", "#######.", "........",
                         "........", "........", "........", "........"}},
        GlyphCase{0xFA, {"........", "........", "........", "........", "........", "........",
                         "........", "........", "...##...", "........", "........", "........",
                         "........", "........", "........", "........"}},
        GlyphCase{'L', {"........", "........", "####....", ".##.....", ".##.....", ".##.....",
                        ".##.....", ".##.....", ".##.....", ".##...#.", ".##..##.", "#######.",
                        "........", "........", "........", "........"}}),
    [](const testing::TestParamInfo<GlyphCase>& info) {
      return "Byte" + std::to_string(info.param.byte);
    });

TEST(ScreenFont, BlankExactlyForNulSpaceAndNoBreakSpace) {
  for (int byte = 0; byte < 256; ++byte) {
    bool blank = true;
    for (int row = 0; row < 16; ++row) {
      blank = blank && screen_font()[16 * byte + row] == 0;
    }
    const bool expected = byte == 0x00 || byte == 0x20 || byte == 0xFF;
    EXPECT_EQ(blank, expected) << "byte " << byte;
  }
}

}  // namespace
}  // namespace novabit
