#pragma once
// The local date and time behind date_text and time_text.

#include <ctime>
#include <optional>

#include "textio/formatting.h"

namespace novabit {

// The local calendar time of a moment of the system clock; the default
// LocalTime when the system cannot convert it.
LocalTime local_time_at(std::time_t seconds);
// The moment of the system clock that a local time, with its offset from UTC, names.
std::time_t moment_of(const LocalTime& time);
// The moment of the system clock that a local date and time names; nothing
// for a date that does not exist or a time the clock skips (the hour lost to
// summer time). An hour that the clock repeats gives its first moment.
std::optional<std::time_t> local_moment(const LocalTime& time);

// What the C library makes of a local date and time: its moment and the
// fields moved there (with the zone's offset then), moved elsewhere for a
// date that does not exist or a time the clock skips.
struct LocalReckoning {
  std::time_t moment = 0;
  std::tm fields{};
};
std::optional<LocalReckoning> reckon_local(const LocalTime& time);

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
