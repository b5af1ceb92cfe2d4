#pragma once
// The hidden BiasWindow: inside it, one pass in ten has all its bits forced.

#include "experiment/experiment_state.h"

namespace novabit {

inline constexpr std::int32_t kBiasWindowSpan = 100;

// True for a pass whose cycle minute lies strictly inside the window and whose
// biasDraw is 10.
constexpr bool pass_is_forced(const ExperimentState& state) {
  return state.biasStartMinute < state.cycleMinute &&
         state.cycleMinute < state.biasStartMinute + kBiasWindowSpan && state.biasDraw > 9;
}

}  // namespace novabit
