#pragma once
// The arithmetic of the statistics: which way a count leaned, rounding, and
// period averages. Quotients are taken in long double.

#include <cstdint>

namespace novabit {

// Which value a second or a period leaned towards.
enum class Leaning { zero, one, balance };

Leaning leaning_of(std::int32_t zeros, std::int32_t ones);

// The nearest whole number, ties to even: 6.5 -> 6, 7.5 -> 8.
std::int32_t nearest(long double value);

// The rounded mean deviation of a period's leaning passes; 0 when there were none.
std::int32_t period_average(std::int32_t deviationSum, std::int32_t leaningSeconds);

}  // namespace novabit
