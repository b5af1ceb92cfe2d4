#pragma once
// Clocks for a run replayed faster than real time. The seconds clock moves on
// only when it is read, the way the driver reads it: a reading at a whole
// second is followed by one just after it (a pass begins there), and any
// other reading by the next whole second (the wait ends at its first poll).
// Started at S.0, pass k therefore begins at S + k - 1 plus a little and ends
// at S + k, as the live clock's passes do; started at a fraction, pass 1 is
// paced as a live pass that began there. The wall clock shows the run's start
// until the seconds clock is first read, and from then on the moment its
// last reading's whole second stands for.

#include <cstdint>
#include <ctime>
#include <optional>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"

namespace novabit {

class SimulatedSecondsClock final : public SecondsClock {
 public:
  explicit SimulatedSecondsClock(long double first) : next_(first) {}

  long double clock_seconds() override;
  // Seconds without a reading, as a stopped or suspended run has them: the next reading comes that much later.
  void skip(std::int64_t seconds) { next_ += static_cast<long double>(seconds); }

  // The whole second of the last reading; none before the first.
  std::optional<std::int64_t> last_whole_second() const { return lastWholeSecond_; }

 private:
  long double next_;
  std::optional<std::int64_t> lastWholeSecond_;
};

class SimulatedWallClock final : public WallClock {
 public:
  // `start`: the moment shown before the first reading; `atZero`: the moment
  // of the system clock that the seconds clock's reading 0 stands for.
  SimulatedWallClock(const SimulatedSecondsClock& clock, std::time_t start, std::time_t atZero)
      : clock_(clock), start_(start), atZero_(atZero) {}

  LocalTime now() const override {
    const auto second = clock_.last_whole_second();
    return local_time_at(second ? atZero_ + static_cast<std::time_t>(*second) : start_);
  }

 private:
  const SimulatedSecondsClock& clock_;
  std::time_t start_;
  std::time_t atZero_;
};

}  // namespace novabit
