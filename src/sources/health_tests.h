#pragma once
// The continuous health tests of NIST SP 800-90B, section 4.4, for a binary
// source credited with one bit of min-entropy per bit, each with a false
// alarm probability of 2^-40 per test:
// - repetition count: C = 1 + ceil(40 / 1) = 41 equal bits in a row;
// - adaptive proportion: C = 1 + CRITBINOM(1024, 1/2, 1 - 2^-40) = 625 bits of
//   a 1024-bit window equal to the window's first bit.
// Both watch the source's own bits, before any forcing. Not thread-safe.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "experiment/pass_marks.h"

namespace novabit {

inline constexpr int kFalseAlarmLog2 = 40;  // alpha = 2^-40
inline constexpr int kAdaptiveWindow = 1024;

// The cut-offs, computed from the formulas above.
int repetition_count_cutoff();
int adaptive_proportion_cutoff();

class HealthTests {
 public:
  HealthTests();

  // Feeds the next bits, 8 to a byte, the first in the most significant place.
  // A run of equal bits fires when it reaches the cut-off, and again every
  // cut-off minus one further bits while it lasts; a window fires at most once.
  HealthAlarms check(std::span<const std::uint8_t> bytes);

 private:
  void repetition_count(std::span<const std::uint8_t> bytes, HealthAlarms& alarms);
  void adaptive_proportion(std::span<const std::uint8_t> bytes, HealthAlarms& alarms);

  int repetitionCutoff_;
  int adaptiveCutoff_;
  std::uint64_t bitsChecked_ = 0;
  unsigned runBit_ = 2;  // no bit yet
  int runLength_ = 0;
  unsigned windowBit_ = 0;
  int windowPosition_ = 0;  // in bits; windows begin on whole bytes
  int windowCount_ = 0;
};

}  // namespace novabit
