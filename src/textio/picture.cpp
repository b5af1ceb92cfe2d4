#include "textio/formatting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace novabit {

namespace {

constexpr int kMaxFixedDigits = 15;

bool starts_number_field(std::string_view picture, std::size_t at) {
  return picture[at] == '#' || (picture[at] == '.' && at + 1 < picture.size() && picture[at + 1] == '#');
}

// Appends the literal text from `at` up to the number field (or the end);
// an underscore makes the byte after it literal. Returns where it stopped.
std::size_t take_literal(std::string_view picture, std::size_t at, bool stopAtField, std::string& literal) {
  std::size_t runStart = at;
  for (; at < picture.size(); ++at) {
    const bool escape = picture[at] == '_' && at + 1 < picture.size();
    if (escape || (stopAtField && starts_number_field(picture, at))) {
      literal.append(picture.substr(runStart, at - runStart));
      if (!escape) {
        return at;
      }
      runStart = ++at;
    }
  }
  literal.append(picture.substr(runStart));
  return at;
}

std::string dashes_text(const PictureText& picture) {
  std::string text(static_cast<std::size_t>(picture.integerPlaces), '-');
  if (picture.decimalPlaces > 0) {
    text += '.';
    text.append(static_cast<std::size_t>(picture.decimalPlaces), '-');
  }
  return text;
}

// Lays out an already scaled value: round to `digits` decimals, trim, then
// cut (never round again) to the field's places.
std::string field_text(double value, int digits, int integerPlaces, int decimalPlaces) {
  // Wide enough for the largest double in fixed notation with 15 decimals.
  char fixed[400];
  const auto converted = std::to_chars(std::begin(fixed), std::end(fixed), value, std::chars_format::fixed, digits);
  std::string text(std::begin(fixed), converted.ptr);

  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
      text.pop_back();
    }
  }
  if (integerPlaces == 0 && !text.empty() && text.front() == '0') {
    text.erase(0, 1);
  }
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) {
    text.erase(0, 1);
  }
  std::size_t point = text.find('.');
  std::size_t integerLength = point == std::string::npos ? text.size() : point;
  if (point == std::string::npos && decimalPlaces > 0) {
    text += '.';
  }
  if (negative) {
    text.insert(0, 1, '-');
    ++integerLength;
  }
  const auto places = static_cast<std::size_t>(integerPlaces);
  if (integerLength < places) {
    text.insert(0, places - integerLength, ' ');
  }
  point = text.find('.');
  if (decimalPlaces == 0) {
    if (point != std::string::npos) {
      text.erase(point);
    }
  } else {
    text.resize(point + 1 + static_cast<std::size_t>(decimalPlaces), '0');
  }
  return text;
}

}  // namespace

PictureText parse_picture(std::string_view picture) {
  PictureText result;
  std::size_t at = take_literal(picture, 0, true, result.before);
  if (at < picture.size()) {
    result.hasField = true;
    bool pointSeen = false;
    for (; at < picture.size(); ++at) {
      if (picture[at] == '#') {
        ++(pointSeen ? result.decimalPlaces : result.integerPlaces);
      } else if (picture[at] == '.' && !pointSeen) {
        pointSeen = true;
      } else {
        break;
      }
    }
  }
  take_literal(picture, at, false, result.after);
  return result;
}

std::string picture_number_text(const PictureText& picture, std::optional<double> value) {
  if (!picture.hasField) {
    return {};
  }
  // Infinity and NaN have no digits to show either.
  if (!value || !std::isfinite(*value)) {
    return dashes_text(picture);
  }
  const int integerPlaces = picture.integerPlaces;
  const int digits = std::clamp(picture.decimalPlaces >= 1 ? integerPlaces + picture.decimalPlaces : integerPlaces, 1,
                                kMaxFixedDigits);

  // Values too large or too small for the field are shown scaled, with the
  // power of ten appended. The power is taken in extended precision so that
  // it does not overflow for the smallest doubles.
  double x = *value;
  int exponentShift = 0;
  if (x > 0) {
    const int exponent = static_cast<int>(std::floor(std::log10(x)));
    if (std::abs(exponent) > integerPlaces) {
      exponentShift = exponent - integerPlaces + 1;
      x = static_cast<double>(x * std::pow(10.0L, -exponentShift));
    }
  }
  std::string text = field_text(x, digits, integerPlaces, picture.decimalPlaces);
  if (exponentShift != 0) {
    char shift[16];
    const auto written = std::to_chars(std::begin(shift), std::end(shift), exponentShift);
    text += exponentShift > 0 ? "%e+" : "%e";
    text.append(std::begin(shift), written.ptr);
  }
  return text;
}

}  // namespace novabit
