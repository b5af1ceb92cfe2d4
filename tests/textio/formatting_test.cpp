#include "textio/formatting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace novabit {
namespace {

TEST(IntegerText, WritesSignOrBlankThenDigits) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {
      {0, " 0"},
      {42, " 42"},
      {100, " 100"},
      {-7, "-7"},
      {90312, " 90312"},
      {std::numeric_limits<std::int32_t>::max(), " 2147483647"},
      {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(integer_text(c.value), c.text) << c.value;
  }
}

TEST(ZoneText, BlanksUpToTheNextZoneInAnUnlimitedLine) {
  const struct {
    std::int32_t column;
    std::size_t blanks;
  } cases[] = {{0, 14}, {2, 12}, {13, 1}, {14, 14}, {15, 13}, {60, 10}, {84, 14}, {98, 14}, {100, 12}};
  for (const auto& c : cases) {
    EXPECT_EQ(zone_text(c.column, 0), std::string(c.blanks, ' ')) << c.column;
  }
}

TEST(ZoneText, ScreenLineEndsFromColumn84On) {
  EXPECT_EQ(zone_text(83, 100), " ");
  for (const std::int32_t column : {84, 85, 90, 98, 99}) {
    EXPECT_EQ(zone_text(column, 100), "\r\n") << column;
  }
  EXPECT_EQ(zone_text(2, 100), std::string(12, ' '));
}

TEST(ZoneText, ExtremeColumnsStaySafe) {
  const std::size_t blanks = zone_text(std::numeric_limits<std::int32_t>::max(), 0).size();
  EXPECT_GE(blanks, 1u);
  EXPECT_LE(blanks, 14u);
  EXPECT_EQ(zone_text(std::numeric_limits<std::int32_t>::max(), 100), "\r\n");
  EXPECT_FALSE(zone_text(-5, 0).empty());
}

TEST(DateAndTimeText, FixedWidthMonthDayYearAndClock) {
  EXPECT_EQ(date_text(LocalTime{2007, 1, 1, 0, 0, 5}), "01-01-2007");
  EXPECT_EQ(time_text(LocalTime{2007, 1, 1, 0, 0, 5}), "00:00:05");
  EXPECT_EQ(date_text(LocalTime{2006, 3, 7, 9, 5, 0}), "03-07-2006");
  EXPECT_EQ(time_text(LocalTime{2006, 3, 7, 9, 5, 0}), "09:05:00");
  EXPECT_EQ(date_text(LocalTime{2026, 12, 31, 23, 59, 59}), "12-31-2026");
  EXPECT_EQ(time_text(LocalTime{2026, 12, 31, 23, 59, 59}), "23:59:59");
}

TEST(RepeatChar, CopiesTheFirstByte) {
  EXPECT_EQ(repeat_char(99, "-"), std::string(99, '-'));
  EXPECT_EQ(repeat_char(3, "xyz"), "xxx");
  EXPECT_EQ(repeat_char(2, "\xFA"), "\xFA\xFA");
  EXPECT_EQ(repeat_char(0, "-"), "");
  EXPECT_EQ(repeat_char(-4, "-"), "");
  EXPECT_EQ(repeat_char(5, ""), "");
}

TEST(HexText, UpperCaseWithoutLeadingZeros) {
  const struct {
    std::uint32_t value;
    const char* text;
  } cases[] = {{0, "0"}, {52, "34"}, {253, "FD"}, {0xABCDEF, "ABCDEF"}, {0xFFFFFFFF, "FFFFFFFF"}};
  for (const auto& c : cases) {
    EXPECT_EQ(hex_text(c.value), c.text) << c.value;
  }
}

TEST(TextValue, PrefixedIntegersAndDecimalNumbers) {
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {"&h00FD00", 64768},
      {"  &H10", 16},
      {"&HfF", 255},
      {"&o17", 15},
      {"&B101", 5},
      {"&HFFFFFFFF", -1},
      {"&H80000000", -2147483648.0},
      {"&H100000001", 1},  // wraps at 32 bits
      {"&H", 0},
      {"&H1G", 1},         // stops at the first byte that is no digit
      {"&O19", 1},
      {"&B102", 2},
      {"&X12", 0},         // not a base letter: read as a decimal number
      {"12.5", 12.5},
      {"  -3e2", -300},
      {"7 apples", 7},
      {"", 0},
      {"    ", 0},
      {"abc", 0},
      {"&", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_value(c.text), c.value) << c.text;
  }
}

TEST(TextValue, GreenShadesFromHexText) {
  for (std::uint32_t n = 16; n <= 255; ++n) {
    EXPECT_EQ(text_value("&h00" + hex_text(n) + "00"), n * 256.0) << n;
  }
}

TEST(TextValue, ReadsOnlyTheViewItIsGiven) {
  const std::string digits = "12345";
  EXPECT_EQ(text_value(std::string_view(digits).substr(0, 2)), 12);
  const std::string withNul("4\0" "9", 3);
  EXPECT_EQ(text_value(withNul), 4);
  EXPECT_EQ(text_value(std::string_view("&H1F00", 3)), 1);
}

}  // namespace
}  // namespace novabit
