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

}  // namespace novabit
