#include "report/log_time.h"

#include <chrono>
#include <optional>

#include "clocks/wall_clock.h"

namespace novabit::report {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// The zone's offset from UTC at a local time, as the C library reckons it.
std::int64_t utc_offset_at(std::int64_t seconds) {
  const std::optional<LocalReckoning> reckoned = reckon_local(local_time_of(seconds));
  return reckoned ? reckoned->fields.tm_gmtoff : 0;
}

}  // namespace

std::int64_t zone_change_near(std::int64_t seconds) {
  return utc_offset_at(seconds + kSecondsPerDay / 2) - utc_offset_at(seconds - kSecondsPerDay / 2);
}

std::int64_t local_seconds(const LocalTime& time) {
  const std::chrono::sys_days day{std::chrono::year{time.year} / time.month / time.day};
  return std::int64_t{day.time_since_epoch().count()} * kSecondsPerDay + time.hour * 3600 + time.minute * 60 +
         time.second;
}

LocalTime local_time_of(std::int64_t seconds) {
  const std::int64_t days =
      seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  return LocalTime{static_cast<int>(date.year()),
                   static_cast<int>(static_cast<unsigned>(date.month())),
                   static_cast<int>(static_cast<unsigned>(date.day())),
                   static_cast<int>(ofDay / 3600),
                   static_cast<int>(ofDay / 60 % 60),
                   static_cast<int>(ofDay % 60)};
}

std::string stamp_text(std::int64_t seconds) {
  const LocalTime when = local_time_of(seconds);
  return date_text(when) + " " + time_text(when);
}

}  // namespace novabit::report
