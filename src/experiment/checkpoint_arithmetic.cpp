#include "experiment/checkpoint_arithmetic.h"

#include <cmath>

namespace novabit {

Leaning leaning_of(std::int32_t zeros, std::int32_t ones) {
  if (zeros > ones) return Leaning::zero;
  if (ones > zeros) return Leaning::one;
  return Leaning::balance;
}

std::int32_t nearest(long double value) {
  // Explicit, so the result does not depend on the floating rounding mode.
  long double whole = std::floor(value);
  const long double fraction = value - whole;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0.0L)) whole += 1.0L;
  return static_cast<std::int32_t>(whole);
}

std::int32_t period_average(std::int32_t deviationSum, std::int32_t leaningSeconds) {
  if (leaningSeconds == 0) return 0;
  return nearest(static_cast<long double>(deviationSum) / static_cast<long double>(leaningSeconds));
}

std::int32_t checkpoint_y(std::int32_t zeros, std::int32_t ones, std::int32_t fullScale) {
  const long double scale = fullScale;
  switch (leaning_of(zeros, ones)) {
    case Leaning::zero:
      return nearest(static_cast<long double>((zeros - ones) * 100) / scale + kCheckpointCentreY);
    case Leaning::one:
      return nearest(kCheckpointCentreY - static_cast<long double>((ones - zeros) * 100) / scale);
    case Leaning::balance:
      break;
  }
  return kCheckpointCentreY;
}

std::optional<double> global_one_average(const ExperimentState& state) {
  if (state.quarterOneWins == 0) return std::nullopt;
  return static_cast<double>(static_cast<long double>(state.globalOneAvgSum) /
                             static_cast<long double>(state.quarterOneWins));
}

std::optional<double> global_zero_average(const ExperimentState& state) {
  if (state.quarterZeroWins == 0) return std::nullopt;
  return static_cast<double>(static_cast<long double>(state.globalZeroAvgSum) /
                             static_cast<long double>(state.quarterZeroWins));
}

}  // namespace novabit
