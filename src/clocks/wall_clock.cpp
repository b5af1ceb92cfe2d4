#include "clocks/wall_clock.h"

#include <ctime>

namespace novabit {

LocalTime local_time_at(std::time_t seconds) {
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    return LocalTime{};
  }
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min,         local.tm_sec,     local.tm_gmtoff};
}

LocalTime SystemWallClock::now() const {
  // The precise clock, not time(): passes start a few microseconds after a
  // whole second, and time()'s coarse clock may not have ticked over yet.
  std::timespec precise{};
  clock_gettime(CLOCK_REALTIME, &precise);
  return local_time_at(precise.tv_sec);
}

}  // namespace novabit
