#pragma once
// The arithmetic of the statistics: rounding, period and global averages and
// the height of a checkpoint dot. Quotients are taken in long double.

#include <cstdint>
#include <optional>

#include "experiment/experiment_state.h"

namespace novabit {

// Which value a second or a period leaned towards.
enum class Leaning { zero, one, balance };

Leaning leaning_of(std::int32_t zeros, std::int32_t ones);

// The nearest whole number, ties to even: 6.5 -> 6, 7.5 -> 8.
std::int32_t nearest(long double value);

// The rounded mean deviation of a period's leaning passes; 0 when there were none.
std::int32_t period_average(std::int32_t deviationSum, std::int32_t leaningSeconds);

inline constexpr std::int32_t kCheckpointCentreY = 115;
inline constexpr std::int32_t kQuarterFullScale = 90000;
inline constexpr std::int32_t kFiveMinuteFullScale = 30000;

// One pixel per fullScale / 100 bits of difference: zeros below the centre
// line, ones above it.
std::int32_t checkpoint_y(std::int32_t zeros, std::int32_t ones, std::int32_t fullScale);

// The sum of the quarter averages over the quarters that side won; no value
// while that side has won none.
std::optional<double> global_one_average(const ExperimentState& state);
std::optional<double> global_zero_average(const ExperimentState& state);

}  // namespace novabit
