#pragma once
// The local date and time behind date_text and time_text.

#include <ctime>

#include "textio/formatting.h"

namespace novabit {

// The local calendar time of a moment of the system clock; the default
// LocalTime when the system cannot convert it.
LocalTime local_time_at(std::time_t seconds);

class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual LocalTime now() const = 0;
};

// The system's calendar time converted to local time at every call.
class SystemWallClock final : public WallClock {
 public:
  LocalTime now() const override;
};

}  // namespace novabit
