#include "textio/wall_clock.h"

#include <ctime>

namespace novabit {

LocalTime SystemWallClock::now() const {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    return LocalTime{};
  }
  return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace novabit
