#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "textio/formatting.h"

namespace novabit {
namespace {

std::string percent_text(std::optional<double> value) {
  return picture_number_text(parse_picture("##.##"), value);
}

TEST(PictureNumber, PercentFieldTable) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, " 0.00"},          {0.5, " 0.50"},        {3.14159, " 3.14"},
      {5.5, " 5.50"},        {7, " 7.00"},          {12.345678, "12.34"},
      {33.3333333, "33.33"}, {66.6666666, "66.66"}, {99.999, "99.99"},
      {99.99999, "100.00"},  {100, "100.00"},       {0.05, " 0.05"},
      {0.005, "50.00%e-4"},  {1234.5, "12.34%e+2"}, {-0.5, "-0.50"},
      {-5.5, "-5.50"},       {-15.5, "-15.50"},     {-0.001, "-0.00"},
      {1.23999, " 1.24"},    {1.2349, " 1.23"},     {0.12994, " 0.12"},
      {0.12999, " 0.13"},    {0.01, " 0.01"},       {6, " 6.00"},
      {25, "25.00"},         {12.5, "12.50"},       {999.99, "999.99"},
      {-1234.5, "-1234.50"}, {0.009, "90.00%e-4"},  {-0.00001, "-0.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(percent_text(c.value), c.text) << c.value;
  }
}

TEST(PictureNumber, EveryHundredthBelowOneHundredIsFiveCharacters) {
  for (int hundredths = 1; hundredths <= 9999; ++hundredths) {
    const std::string text = percent_text(hundredths / 100.0);
    ASSERT_EQ(text.size(), 5u) << hundredths;
    ASSERT_EQ(text[2], '.') << hundredths;
  }
}

TEST(PictureNumber, ExtremeMagnitudesAreScaled) {
  EXPECT_EQ(percent_text(1e300), "10.00%e+299");
  EXPECT_EQ(percent_text(std::numeric_limits<double>::max()), "17.97%e+307");
  EXPECT_EQ(percent_text(5e-324), "49.40%e-325");
}

TEST(PictureNumber, NoDefinedValueWritesDashes) {
  EXPECT_EQ(percent_text(std::nullopt), "--.--");
  EXPECT_EQ(percent_text(std::numeric_limits<double>::quiet_NaN()), "--.--");
  EXPECT_EQ(percent_text(std::numeric_limits<double>::infinity()), "--.--");
  EXPECT_EQ(percent_text(-std::numeric_limits<double>::infinity()), "--.--");
  EXPECT_EQ(picture_number_text(parse_picture("###"), std::nullopt), "---");
}

TEST(PictureNumber, OtherFieldShapes) {
  EXPECT_EQ(picture_number_text(parse_picture("###"), 7.6), "  7");
  EXPECT_EQ(picture_number_text(parse_picture("#.###"), 2.5), "2.500");
  EXPECT_EQ(picture_number_text(parse_picture(".##"), 0.25), ".25");
  EXPECT_EQ(picture_number_text(parse_picture(".##"), 0), ".00");
  EXPECT_EQ(picture_number_text(parse_picture(""), 5), "");
}

TEST(ParsePicture, SplitsLiteralTextAroundTheField) {
  const PictureText line = parse_picture("     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ");
  EXPECT_TRUE(line.hasField);
  EXPECT_EQ(line.before, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ");
  EXPECT_EQ(line.after, " ");
  EXPECT_EQ(line.integerPlaces, 2);
  EXPECT_EQ(line.decimalPlaces, 2);

  const PictureText bare = parse_picture("##.##");
  EXPECT_EQ(bare.before, "");
  EXPECT_EQ(bare.after, "");

  const PictureText escaped = parse_picture("_#1 is ###_.");
  EXPECT_EQ(escaped.before, "#1 is ");
  EXPECT_EQ(escaped.integerPlaces, 3);
  EXPECT_EQ(escaped.decimalPlaces, 0);
  EXPECT_EQ(escaped.after, ".");

  const PictureText none = parse_picture("no field here");
  EXPECT_FALSE(none.hasField);
  EXPECT_EQ(none.before, "no field here");
}

}  // namespace
}  // namespace novabit
