// The picture number field: an arbitrary double (the first 8 bytes) under an
// arbitrary picture text (the rest). Besides crashes it checks the shape of
// the text and that an unscaled number is the value rounded, then cut.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "textio/formatting.h"

namespace {

using novabit::fuzz::require;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t count_digits(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && is_digit(text[end])) {
    ++end;
  }
  return end - at;
}

// [blanks][-]digits[.decimals][%e+k|%e-k], the integer part padded to the
// field's integer places and exactly its decimal places after the point.
void check_shape(const novabit::PictureText& picture, std::string_view text, bool scaled) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') {
    ++at;
  }
  const std::size_t blanks = at;
  if (at < text.size() && text[at] == '-') {
    ++at;
  }
  const std::size_t integerDigits = count_digits(text, at);
  at += integerDigits;
  const auto places = static_cast<std::size_t>(picture.integerPlaces);
  require(picture.integerPlaces == 0 || integerDigits >= 1, "an integer digit is written");
  require(at >= places, "the integer part fills the field's integer places");
  require(blanks == 0 || at == places, "blanks only pad a short integer part");
  if (picture.decimalPlaces > 0) {
    require(at < text.size() && text[at] == '.', "a point follows the integer part");
    ++at;
    const std::size_t decimals = count_digits(text, at);
    require(decimals == static_cast<std::size_t>(picture.decimalPlaces), "exactly the field's decimals");
    at += decimals;
  }
  if (scaled) {
    require(text.substr(at, 2) == "%e", "a scaled number ends in %e");
    at += 2;
    require(at < text.size() && (text[at] == '+' || text[at] == '-'), "the power has a sign");
    ++at;
    const std::size_t powerDigits = count_digits(text, at);
    require(powerDigits >= 1 && at + powerDigits == text.size(), "the power ends the text");
  } else {
    require(at == text.size(), "nothing follows an unscaled number");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  double value = 0;
  if (size < sizeof value) {
    return 0;
  }
  std::memcpy(&value, data, sizeof value);
  const std::string_view pictureText(reinterpret_cast<const char*>(data) + sizeof value, size - sizeof value);

  const novabit::PictureText picture = novabit::parse_picture(pictureText);
  require(picture.before.size() + picture.after.size() <= pictureText.size(), "literals come from the picture");
  require(!picture.hasField || picture.integerPlaces + picture.decimalPlaces >= 1, "a field has a place");
  const std::string text = novabit::picture_number_text(picture, value);
  if (!picture.hasField) {
    require(text.empty(), "no field, no number");
    return 0;
  }
  if (!std::isfinite(value)) {
    require(text.find_first_not_of("-.") == std::string::npos, "no number gives dashes");
    return 0;
  }
  const bool scaled = text.find('%') != std::string::npos;
  check_shape(picture, text, scaled);
  if (!scaled) {
    // Rounded at the N-th decimal, then cut (not rounded again) to D decimals:
    // no further from zero than the rounded value and less than one unit of
    // the last decimal nearer, give or take the reading back.
    const int digits = std::clamp(picture.integerPlaces + picture.decimalPlaces, 1, 15);
    char rounded[400];
    std::snprintf(rounded, sizeof rounded, "%.*f", digits, value);
    const double roundedValue = std::abs(std::strtod(rounded, nullptr));
    const double shown = std::abs(std::strtod(text.c_str(), nullptr));
    const double slack = 4 * std::abs(value) * 0x1p-52 + 0x1p-1074;
    require(shown <= roundedValue + slack, "the rounded number is cut, not rounded up");
    require(roundedValue - shown < std::pow(10.0, -picture.decimalPlaces) + slack, "the cut drops less than a unit");
  }
  if (pictureText == "##.##" && value >= 0.0100001 && value <= 99.99) {
    require(text.size() == 5, "##.## of 0.01..99.99 is five characters");
  }
  return 0;
}
