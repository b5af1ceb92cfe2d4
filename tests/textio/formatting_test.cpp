// How values become text, byte for byte.

#include "textio/formatting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace novabit {
namespace {

TEST(Formatting, IntegersDatesTimesAndRepeats) {
  const struct {
    std::int32_t value;
    const char* text;
  } integers[] = {{0, " 0"}, {42, " 42"}, {100, " 100"}, {-7, "-7"}, {INT32_MIN, "-2147483648"}};
  for (const auto& c : integers) EXPECT_EQ(integer_text(c.value), c.text) << c.value;
  EXPECT_EQ(date_text(LocalTime{2006, 3, 7, 9, 5, 0}), "03-07-2006");
  EXPECT_EQ(time_text(LocalTime{2006, 3, 7, 9, 5, 0}), "09:05:00");
  EXPECT_EQ(repeat_char(3, "xyz"), "xxx");
  EXPECT_EQ(repeat_char(-4, "-"), "");
  EXPECT_EQ(repeat_char(5, ""), "");
}

// Zones start at columns 1, 15, 29, ...; on the 100-column screen any zone
// from column 84 on ends the line instead.
TEST(Formatting, ZonesAdvanceToTheNextFourteenthColumn) {
  const struct {
    std::int32_t column, width;
    const char* text;
  } cases[] = {{0, 0, "              "},  {2, 0, "            "}, {13, 0, " "},      {14, 0, "              "},
               {98, 0, "              "}, {83, 100, " "},         {84, 100, "\r\n"}, {99, 100, "\r\n"}};
  for (const auto& c : cases) EXPECT_EQ(zone_text(c.column, c.width), c.text) << c.column << " of " << c.width;
  EXPECT_EQ(zone_text(std::numeric_limits<std::int32_t>::max(), 100), "\r\n");
}

TEST(Formatting, HexTextAndTheValueOfATextMakeTheGreenShades) {
  EXPECT_EQ(hex_text(0), "0");
  EXPECT_EQ(hex_text(253), "FD");
  EXPECT_EQ(hex_text(0xFFFFFFFF), "FFFFFFFF");
  for (std::uint32_t n = 16; n <= 255; ++n) EXPECT_EQ(text_value("&h00" + hex_text(n) + "00"), n * 256.0) << n;
  const struct {
    const char* text;
    double value;
  } cases[] = {{"  &H10", 16}, {"&o17", 15},   {"&B101", 5},     {"&HFFFFFFFF", -1}, {"&H100000001", 1}, {"&H1G", 1},
               {"&X12", 0},    {"12.5", 12.5}, {"  -3e2", -300}, {"7 apples", 7},    {"    ", 0},        {"&", 0}};
  for (const auto& c : cases) EXPECT_EQ(text_value(c.text), c.value) << c.text;
}

// Rounded at the fourth decimal, then cut to two: never rounded twice.
TEST(Formatting, PercentFieldRoundsOnceThenCuts) {
  // clang-format off
  const struct {
    std::optional<double> value;
    const char* text;
  } cases[] = {
      {0, " 0.00"},       {0.5, " 0.50"},           {3.14159, " 3.14"},          {12.345678, "12.34"},
      {66.6666666, "66.66"}, {99.999, "99.99"},     {99.99999, "100.00"},        {0.12994, " 0.12"},
      {0.12999, " 0.13"}, {0.005, "50.00%e-4"},     {1234.5, "12.34%e+2"},       {-0.5, "-0.50"},
      {-15.5, "-15.50"},  {-0.001, "-0.00"},        {1e300, "10.00%e+299"},      {std::nullopt, "--.--"},
      {std::numeric_limits<double>::quiet_NaN(), "--.--"}, {std::numeric_limits<double>::infinity(), "--.--"},
  };
  // clang-format on
  const PictureText field = parse_picture("##.##");
  for (const auto& c : cases) EXPECT_EQ(picture_number_text(field, c.value), c.text) << c.value.value_or(-1);
}

TEST(Formatting, PictureSplitsItsLiteralTextAroundTheField) {
  const PictureText line = parse_picture("     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ");
  EXPECT_EQ(line.before, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ");
  EXPECT_EQ(line.after, " ");
  EXPECT_EQ(line.integerPlaces * 10 + line.decimalPlaces, 22);
  const PictureText escaped = parse_picture("_#1 is ###_.");
  EXPECT_EQ(escaped.before + "|" + escaped.after, "#1 is |.");
  EXPECT_EQ(picture_number_text(escaped, 7.6), "  7");
}

}  // namespace
}  // namespace novabit
