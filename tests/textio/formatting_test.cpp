// The percent field at the edges of its rounding. The rest of how values
// become text (integers, dates, times, zones, the record forms' literal text,
// the green shades) reaches the study log and the screen, where the whole
// runs check it byte for byte against the log model and the painted frame.

#include "textio/formatting.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace novabit {
namespace {

// Rounded at the fourth decimal, then cut to two: never rounded twice.
TEST(Formatting, PercentFieldRoundsOnceThenCuts) {
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
  const PictureText field = parse_picture("##.##");
  for (const auto& c : cases) EXPECT_EQ(picture_number_text(field, c.value), c.text) << c.value.value_or(-1);
}

}  // namespace
}  // namespace novabit
