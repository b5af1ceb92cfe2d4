#include "clocks/virtual_clocks.h"

#include <cmath>

namespace novabit {

namespace {

// The time a pass's work seems to take; a power of two keeps every reading exact.
constexpr long double kPassWork = 1.0L / 1024;

}  // namespace

long double SimulatedSecondsClock::clock_seconds() {
  const long double reading = next_;
  const long double wholeSecond = std::floor(reading);
  lastWholeSecond_ = static_cast<std::int64_t>(wholeSecond);
  next_ = reading == wholeSecond ? reading + kPassWork : wholeSecond + 1.0L;
  return reading;
}

}  // namespace novabit
