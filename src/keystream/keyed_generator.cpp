#include "keystream/keyed_generator.h"

#include <cmath>

namespace novabit {

double BitSource::random_fraction(std::int32_t selector) {
  if (selector != 0) {
    lastFraction_ = rand() * kFractionUnit;
  }
  return lastFraction_;
}

void BitSource::seed_random(const RandomKey& key) {
  stream_ = KeyStream(key);
  rand();
}

std::int32_t BitSource::random_below(std::int32_t n) {
  // k / 32768 times a 32-bit n is exact in a double, so floor sees the true value.
  return static_cast<std::int32_t>(std::floor(random_fraction(1) * n));
}

}  // namespace novabit
