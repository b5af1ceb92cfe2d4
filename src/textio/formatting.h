#pragma once
// How the system's values become text: integers, print zones, the "##.##"
// picture, dates and times, repeated characters and the hexadecimal pair.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace novabit {

// What follows a print item.
enum class Separator { none, zone, newline };

inline constexpr std::string_view kLineEnd = "\r\n";

// A local calendar time, as the wall clock reads it.
struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  long utcOffset = 0;  // seconds east of UTC
};

// " 42", " 0", "-7": printf's "% d".
std::string integer_text(std::int32_t value);

// The bytes a zone separator writes at 0-based column `lineColumn` of a
// channel whose line is `lineWidth` wide (0 = unlimited): blanks up to the
// next 14-column zone, or CR LF when that zone would not fit.
std::string zone_text(std::int32_t lineColumn, std::int32_t lineWidth);

// A picture text split around its number field, e.g. "##.##".
struct PictureText {
  std::string before;  // literal text before the number field
  std::string after;   // literal text after it
  int integerPlaces = 0;
  int decimalPlaces = 0;
  bool hasField = false;
};
PictureText parse_picture(std::string_view picture);

// The number field's text for `value`: " 6.00", "100.00", "50.00%e-4".
// No value (an average over nothing) gives dashes in the field's shape: "--.--".
std::string picture_number_text(const PictureText& picture, std::optional<double> value);

std::string date_text(const LocalTime& time);  // "03-07-2006": month-day-year
std::string time_text(const LocalTime& time);  // "09:05:00"
std::string utc_text(const LocalTime& time);   // "2006-03-07T14:05:00Z": ISO 8601 in UTC
// The texts of date_text and time_text read back; a day that the month does
// not have is refused, and a second may be 60 (a leap second).
std::optional<LocalTime> parse_date_text(std::string_view text);
std::optional<LocalTime> parse_time_text(std::string_view text, LocalTime date);
std::string repeat_char(std::int32_t count, std::string_view text);
std::string hex_text(std::uint32_t value);  // "FD", "0"
double text_value(std::string_view text);   // "&h00FD00" -> 64768, "12.5" -> 12.5

}  // namespace novabit
