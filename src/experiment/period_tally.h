#pragma once
// What a checkpoint period gathers from its passes: the bits of each value,
// and for each side the passes that leaned that way with the sum of their
// deviations. The five-minute and the quarter periods are one tally each.

#include <cstdint>

#include "experiment/checkpoint_arithmetic.h"

namespace novabit {

struct PeriodTally {
  std::int32_t zeros = 0;
  std::int32_t ones = 0;
  std::int32_t zeroSeconds = 0;
  std::int32_t oneSeconds = 0;
  std::int32_t zeroDevSum = 0;
  std::int32_t oneDevSum = 0;

  // A leaning pass and its secondDeviation; a balanced pass adds nothing.
  void add_second(Leaning leaning, std::int32_t deviation) {
    if (leaning == Leaning::zero) {
      zeroDevSum += deviation;
      zeroSeconds += 1;
    } else if (leaning == Leaning::one) {
      oneDevSum += deviation;
      oneSeconds += 1;
    }
  }
  Leaning leaning() const { return leaning_of(zeros, ones); }
  // The rounded average deviation of the passes that leaned each way.
  std::int32_t zero_average() const { return period_average(zeroDevSum, zeroSeconds); }
  std::int32_t one_average() const { return period_average(oneDevSum, oneSeconds); }
};

}  // namespace novabit
