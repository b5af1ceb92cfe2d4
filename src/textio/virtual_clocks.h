#pragma once
// Clocks for a run replayed faster than real time. The seconds clock moves on
// only when it is read, the way the driver reads it: a reading at a whole
// second is followed by one just after it (a pass begins there), and a
// reading just after a whole second by the next whole second (the wait ends at
// its first poll). Started at S.0, pass k therefore begins at S + k - 1 plus a
// little and ends at S + k, as the live clock's passes do; the wall clock
// shows the start's local time plus the whole seconds elapsed on the seconds
// clock at its last reading.

#include <cstdint>
#include <ctime>

#include "textio/seconds_clock.h"
#include "textio/wall_clock.h"

namespace novabit {

class SimulatedSecondsClock final : public SecondsClock {
 public:
  explicit SimulatedSecondsClock(std::int64_t origin) : origin_(origin), next_(static_cast<long double>(origin)) {}

  long double clock_seconds() override;

  // Whole seconds from the origin to the last reading; 0 before the first.
  std::int64_t elapsed_seconds() const { return elapsedSeconds_; }

 private:
  std::int64_t origin_;
  long double next_;
  std::int64_t elapsedSeconds_ = 0;
};

class SimulatedWallClock final : public WallClock {
 public:
  // `atOrigin`: the moment of the system clock that the origin stands for.
  SimulatedWallClock(const SimulatedSecondsClock& clock, std::time_t atOrigin) : clock_(clock), atOrigin_(atOrigin) {}

  LocalTime now() const override { return local_time_at(atOrigin_ + clock_.elapsed_seconds()); }

 private:
  const SimulatedSecondsClock& clock_;
  std::time_t atOrigin_;
};

}  // namespace novabit
