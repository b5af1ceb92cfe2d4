#pragma once
// The hidden BiasWindow: inside it, one pass in ten has all its bits forced.
// Its place is drawn from the run's keyed stream at start-up and at every
// CycleEnd, so whoever holds the key can tell where it lay in every cycle.

#include <cstdint>

#include "experiment/experiment_state.h"
#include "keystream/bit_source.h"
#include "keystream/random_key.h"

namespace novabit {

inline constexpr std::int32_t kBiasWindowSpan = 100;
inline constexpr std::int64_t kPassesPerCycle = 720 * 60 + 1;
inline constexpr std::int32_t kBitsPerPass = 200;

// True for a pass whose cycle minute lies strictly inside the window and whose
// biasDraw is 10.
constexpr bool pass_is_forced(const ExperimentState& state) {
  return state.biasStartMinute < state.cycleMinute &&
         state.cycleMinute < state.biasStartMinute + kBiasWindowSpan && state.biasDraw > 9;
}

// The start-up draws: the window's start minute (60..639), then its bit.
void draw_first_bias_window(ExperimentState& state, BitSource& bits);
// The CycleEnd draws, in the opposite order: the bit, then the start (10..609).
void draw_next_bias_window(ExperimentState& state, BitSource& bits);

struct BiasWindowPlace {
  std::int32_t startMinute;  // forcing in cycle minutes startMinute + 1 .. startMinute + 99
  std::int32_t bit;
};

// Where the window of cycle `cycle` (0: the first) of a run keyed with `key`
// lay, found by seeking in the stream rather than replaying it. Each pass
// takes its biasDraw and, when `bitsFromStream`, its 200 bits from the stream.
BiasWindowPlace bias_window_of_cycle(const RandomKey& key, std::int64_t cycle, bool bitsFromStream);

}  // namespace novabit
