#include "clocks/wall_clock.h"

#include <cerrno>
#include <chrono>
#include <ctime>

namespace novabit {

LocalTime local_time_at(std::time_t seconds) {
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    return LocalTime{};
  }
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,  local.tm_hour,
                   local.tm_min,         local.tm_sec,     local.tm_gmtoff};
}

std::time_t moment_of(const LocalTime& time) {
  using namespace std::chrono;
  const sys_seconds local = sys_days(year(time.year) / time.month / time.day) + hours(time.hour) +
                            minutes(time.minute) + seconds(time.second);
  return static_cast<std::time_t>((local - seconds(time.utcOffset)).time_since_epoch().count());
}

std::optional<LocalReckoning> reckon_local(const LocalTime& time) {
  LocalReckoning reckoned;
  std::tm& fields = reckoned.fields;
  fields.tm_year = time.year - 1900;
  fields.tm_mon = time.month - 1;
  fields.tm_mday = time.day;
  fields.tm_hour = time.hour;
  fields.tm_min = time.minute;
  fields.tm_sec = time.second;
  fields.tm_isdst = -1;
  errno = 0;
  reckoned.moment = std::mktime(&fields);
  if (reckoned.moment == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  return reckoned;
}

std::optional<std::time_t> local_moment(const LocalTime& time) {
  const std::optional<LocalReckoning> reckoned = reckon_local(time);
  if (!reckoned) return std::nullopt;
  // mktime moves impossible dates, and times that the clock skips, to other ones.
  const std::tm& fields = reckoned->fields;
  if (fields.tm_year + 1900 != time.year || fields.tm_mon + 1 != time.month || fields.tm_mday != time.day ||
      fields.tm_hour != time.hour || fields.tm_min != time.minute || fields.tm_sec != time.second) {
    return std::nullopt;
  }
  return reckoned->moment;
}

LocalTime SystemWallClock::now() const {
  // The precise clock, not time(): passes start a few microseconds after a
  // whole second, and time()'s coarse clock may not have ticked over yet.
  std::timespec precise{};
  clock_gettime(CLOCK_REALTIME, &precise);
  return local_time_at(precise.tv_sec);
}

}  // namespace novabit
