#pragma once
// The hidden BiasWindow: inside it, one pass in ten has all its bits forced.
// Its place is drawn from the run's keyed stream at start-up and at every
// CycleEnd, so whoever holds the key can tell where it lay in every cycle.

#include <cstdint>

#include "experiment/experiment_numbers.h"
#include "experiment/experiment_state.h"
#include "keystream/keyed_generator.h"
#include "keystream/random_key.h"

namespace novabit {

// True for a pass whose cycle minute lies strictly inside the window and whose
// biasDraw is the highest.
constexpr bool pass_is_forced(const ExperimentState& state) {
  return state.biasStartMinute < state.cycleMinute && state.cycleMinute < state.biasStartMinute + kBiasWindowSpan &&
         state.biasDraw >= kBiasDrawValues;
}

// The start-up draws: the window's start minute, then its bit.
void draw_first_bias_window(ExperimentState& state, BitSource& bits);
// The CycleEnd draws, in the opposite order: the bit, then the start.
void draw_next_bias_window(ExperimentState& state, BitSource& bits);

struct BiasWindowPlace {
  std::int32_t startMinute;  // forcing in the kBiasWindowMinutes cycle minutes after it
  std::int32_t bit;
};

// Where the window of cycle `cycle` (0: the first) of a run keyed with `key`
// lay, found by seeking in the stream rather than replaying it. Each pass
// takes its biasDraw and, when `bitsFromStream`, its bits from the stream.
BiasWindowPlace bias_window_of_cycle(const RandomKey& key, std::int64_t cycle, bool bitsFromStream);

}  // namespace novabit
