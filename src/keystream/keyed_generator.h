#pragma once
// The BitSource: fractions k / 32768, k the top 15 bits of each word of the
// run's keyed stream.

#include <cstdint>

#include "keystream/key_stream.h"

namespace novabit {

class BitSource {
 public:
  // 0 returns the last fraction again; any other selector draws a new one.
  double random_fraction(std::int32_t selector);
  // Keys the stream, then discards one value.
  void seed_random(const RandomKey& key);
  // floor(random_fraction(1) * n).
  std::int32_t random_below(std::int32_t n);
  // random_below(2) without the floating-point detour, for the 200 bits of a
  // pass: 1 exactly when the drawn k is at least 16384.
  std::int32_t random_bit() {
    const int k = rand();
    lastFraction_ = k * kFractionUnit;
    return k >> 14;
  }
  // Makes word `index` of the stream the next to be drawn.
  void skip_to(std::uint64_t index) { stream_.seek(index); }
  // 0..32767: the top 15 bits of the stream's next word.
  int rand() { return static_cast<int>(stream_.next_word() >> 17); }

 private:
  static constexpr double kFractionUnit = 1.0 / 32768.0;

  KeyStream stream_;
  double lastFraction_ = 0.0;
};

}  // namespace novabit
