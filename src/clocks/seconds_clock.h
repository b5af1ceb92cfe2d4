#pragma once
// The monotonic SecondsClock that paces the passes and seeds the bits.

#include <chrono>
#include <optional>

namespace novabit {

// 2000-01-01 00:00:00 UTC in seconds of the system clock's epoch: the origin
// of the live clock's readings.
inline constexpr long long kYear2000Epoch = 946684800;

class SecondsClock {
 public:
  virtual ~SecondsClock() = default;
  // Seconds since an origin fixed for the run; never decreases.
  virtual long double clock_seconds() = 0;
  // Lets about `seconds` of the clock pass, or more on a loaded machine. A
  // clock that moves on only when it is read has nothing to wait for.
  virtual void sleep_for(long double seconds) { static_cast<void>(seconds); }
};

// The steady clock, with its origin placed so that the first reading equals the
// wall-clock seconds since 2000-01-01 00:00:00 UTC: each run seeds from its own
// start second, and the passes fall on the wall clock's whole seconds.
class SteadySecondsClock final : public SecondsClock {
 public:
  long double clock_seconds() override;
  void sleep_for(long double seconds) override;

 private:
  std::optional<std::chrono::steady_clock::time_point> steadyOrigin_;
  long double originSeconds_ = 0.0L;
};

}  // namespace novabit
