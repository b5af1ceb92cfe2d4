#pragma once
// The BitSource: fractions k / 32768 from a 15-bit generator.

#include <cstdint>
#include <random>

namespace novabit {

class SecondsClock;

class BitSource {
 public:
  // 0 returns the last fraction again; any other selector draws a new one.
  double random_fraction(std::int32_t selector);
  // Seeds with the seed truncated to a 32-bit integer (-1.0 or NaN: the clock's
  // reading), then discards one value.
  void seed_random(double seed, SecondsClock& clock);
  // floor(random_fraction(1) * n).
  std::int32_t random_below(std::int32_t n);
  // 0..32767: the top 15 bits of the engine's next output.
  int rand();

 private:
  std::mt19937 engine_;
  double lastFraction_ = 0.0;
};

}  // namespace novabit
