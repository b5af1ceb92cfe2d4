#include "clocks/seconds_clock.h"

#include <thread>

namespace novabit {

long double SteadySecondsClock::clock_seconds() {
  using Seconds = std::chrono::duration<long double>;
  const auto steadyNow = std::chrono::steady_clock::now();
  if (!steadyOrigin_) {
    steadyOrigin_ = steadyNow;
    const auto wallNow = std::chrono::system_clock::now().time_since_epoch();
    originSeconds_ = std::chrono::duration_cast<Seconds>(wallNow).count() - kYear2000Epoch;
  }
  return originSeconds_ + std::chrono::duration_cast<Seconds>(steadyNow - *steadyOrigin_).count();
}

void SteadySecondsClock::sleep_for(long double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<long double>(seconds));
}

}  // namespace novabit
