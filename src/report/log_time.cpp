#include "report/log_time.h"

#include <chrono>

namespace novabit::report {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

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

std::optional<LocalTime> parse_log_date(std::string_view text) {
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

std::optional<LocalTime> parse_log_time(std::string_view text, LocalTime date) {
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

std::int64_t local_seconds(const LocalTime& time) {
  const std::chrono::sys_days day{std::chrono::year{time.year} / time.month / time.day};
  return std::int64_t{day.time_since_epoch().count()} * kSecondsPerDay + time.hour * 3600 + time.minute * 60 +
         time.second;
}

LocalTime local_time_of(std::int64_t seconds) {
  const std::int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  return LocalTime{static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                   static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(ofDay / 3600),
                   static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60)};
}

std::string stamp(const LocalTime& when) { return date_text(when) + " " + time_text(when); }

}  // namespace novabit::report
