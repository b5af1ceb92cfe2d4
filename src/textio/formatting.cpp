#include "textio/formatting.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace novabit {

namespace {

constexpr std::int64_t kZoneWidth = 14;

// The digit a byte stands for in `base`, or -1 when it is none of its digits.
int digit_value(unsigned char byte, unsigned base) {
  int digit = -1;
  if (byte >= '0' && byte <= '9') {
    digit = byte - '0';
  } else if (byte >= 'A' && byte <= 'F') {
    digit = byte - 'A' + 10;
  } else if (byte >= 'a' && byte <= 'f') {
    digit = byte - 'a' + 10;
  }
  return digit < static_cast<int>(base) ? digit : -1;
}

unsigned radix_of(char letter) {
  switch (letter) {
    case 'H':
    case 'h':
      return 16;
    case 'O':
    case 'o':
      return 8;
    case 'B':
    case 'b':
      return 2;
    default:
      return 0;
  }
}

// The number of `width` digits at `at`, or -1.
int digits_at(std::string_view text, std::size_t at, std::size_t width) {
  if (at + width > text.size()) {
    return -1;
  }
  int value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return -1;
    }
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::string integer_text(std::int32_t value) {
  char digits[16] = {' '};
  char* const first = value < 0 ? digits : digits + 1;
  const auto result = std::to_chars(first, std::end(digits), value);
  return std::string(digits, result.ptr);
}

std::string zone_text(std::int32_t lineColumn, std::int32_t lineWidth) {
  // 64-bit arithmetic: a column near the 32-bit limit must not overflow.
  const std::int64_t column = lineColumn;
  const std::int64_t nextZone = ((column + kZoneWidth) / kZoneWidth) * kZoneWidth + 1;
  if (lineWidth != 0 && nextZone > std::int64_t{lineWidth} - kZoneWidth) {
    return std::string(kLineEnd);
  }
  return std::string(static_cast<std::size_t>(nextZone - (column + 1)), ' ');
}

std::string date_text(const LocalTime& time) {
  char text[48];
  const int length = std::snprintf(text, sizeof text, "%02d-%02d-%04d", time.month, time.day, time.year);
  return std::string(text, static_cast<std::size_t>(length));
}

std::string time_text(const LocalTime& time) {
  char text[48];
  const int length = std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return std::string(text, static_cast<std::size_t>(length));
}

std::string utc_text(const LocalTime& time) {
  using namespace std::chrono;
  const sys_seconds local = sys_days(year(time.year) / time.month / time.day) + hours(time.hour) +
                            minutes(time.minute) + seconds(time.second);
  const sys_seconds utc = local - seconds(time.utcOffset);
  const sys_days day = floor<days>(utc);
  const year_month_day date(day);
  const hh_mm_ss clock(utc - day);
  char text[48];
  const int length = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                                   unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                                   int(clock.minutes().count()), int(clock.seconds().count()));
  return std::string(text, static_cast<std::size_t>(length));
}

std::optional<LocalTime> parse_date_text(std::string_view text) {
  if (text.size() != 10 || text[2] != '-' || text[5] != '-') {
    return std::nullopt;
  }
  const int month = digits_at(text, 0, 2);
  const int day = digits_at(text, 3, 2);
  const int year = digits_at(text, 6, 4);
  if (month < 1 || month > 12 || day < 1 || year < 0) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) {
    return std::nullopt;
  }
  return LocalTime{year, month, day, 0, 0, 0};
}

std::optional<LocalTime> parse_time_text(std::string_view text, LocalTime date) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
    return std::nullopt;
  }
  date.hour = digits_at(text, 0, 2);
  date.minute = digits_at(text, 3, 2);
  date.second = digits_at(text, 6, 2);
  // A leap second may be shown as :60.
  if (date.hour < 0 || date.hour > 23 || date.minute < 0 || date.minute > 59 || date.second < 0 || date.second > 60) {
    return std::nullopt;
  }
  return date;
}

std::string repeat_char(std::int32_t count, std::string_view text) {
  if (count <= 0 || text.empty()) {
    return {};
  }
  try {
    return std::string(static_cast<std::size_t>(count), text.front());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::string hex_text(std::uint32_t value) {
  char digits[8];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value, 16);
  std::string text(std::begin(digits), result.ptr);
  for (char& digit : text) {
    if (digit >= 'a' && digit <= 'f') {
      digit = static_cast<char>(digit - 'a' + 'A');
    }
  }
  return text;
}

double text_value(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    return 0.0;
  }
  const std::string_view rest = text.substr(start);
  const unsigned base = rest.size() >= 2 && rest[0] == '&' ? radix_of(rest[1]) : 0;
  if (base != 0) {
    // The digits wrap like an unsigned 32-bit register; the first byte that is
    // not a digit of the base ends the number.
    std::uint32_t value = 0;
    for (const char byte : rest.substr(2)) {
      const int digit = digit_value(static_cast<unsigned char>(byte), base);
      if (digit < 0) {
        break;
      }
      value = value * base + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
  }
  // The view need not end in a NUL, and strtod reads up to one.
  const std::string terminated(rest);
  return std::strtod(terminated.c_str(), nullptr);
}

}  // namespace novabit
