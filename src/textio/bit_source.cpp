#include "textio/bit_source.h"

#include <cmath>

#include "textio/seconds_clock.h"

namespace novabit {

namespace {

constexpr double kFractionUnit = 1.0 / 32768.0;
constexpr long double kSeedModulus = 4294967296.0L;

// The 32-bit pattern of the seed truncated toward zero. Seeds beyond the
// 32-bit range wrap, so that runs far in the future still get distinct seeds;
// infinities take the nearest 32-bit value.
std::uint32_t seed_pattern(long double seed) {
  if (std::isinf(seed)) {
    return seed > 0 ? 0x7FFFFFFFu : 0x80000000u;
  }
  long double wrapped = std::fmod(std::trunc(seed), kSeedModulus);
  if (wrapped < 0) {
    wrapped += kSeedModulus;
  }
  return static_cast<std::uint32_t>(wrapped);
}

}  // namespace

int BitSource::rand() { return static_cast<int>(engine_() >> 17); }

double BitSource::random_fraction(std::int32_t selector) {
  if (selector != 0) {
    lastFraction_ = rand() * kFractionUnit;
  }
  return lastFraction_;
}

void BitSource::seed_random(double seed, SecondsClock& clock) {
  const long double chosen =
      (seed == -1.0 || std::isnan(seed)) ? clock.clock_seconds() : static_cast<long double>(seed);
  engine_.seed(seed_pattern(chosen));
  rand();
}

std::int32_t BitSource::random_below(std::int32_t n) {
  // k / 32768 times a 32-bit n is exact in a double, so floor sees the true value.
  return static_cast<std::int32_t>(std::floor(random_fraction(1) * n));
}

}  // namespace novabit
