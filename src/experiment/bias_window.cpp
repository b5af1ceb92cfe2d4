#include "experiment/bias_window.h"

namespace novabit {

void draw_first_bias_window(ExperimentState& state, BitSource& bits) {
  state.biasStartMinute = bits.random_below(kFirstWindowStarts.count()) + kFirstWindowStarts.earliest;
  state.biasBit = bits.random_below(2);
}

void draw_next_bias_window(ExperimentState& state, BitSource& bits) {
  state.biasBit = bits.random_below(2);
  state.biasStartMinute = bits.random_below(kLaterWindowStarts.count()) + kLaterWindowStarts.earliest;
}

BiasWindowPlace bias_window_of_cycle(const RandomKey& key, std::int64_t cycle, bool bitsFromStream) {
  BitSource bits;
  bits.seed_random(key);
  ExperimentState state;
  if (cycle == 0) {
    draw_first_bias_window(state, bits);
  } else {
    // Word 0 is discarded at seeding and words 1 and 2 place the first window;
    // every cycle then takes its passes' draws and the two draws of its end.
    const std::uint64_t drawsPerPass = 1 + (bitsFromStream ? kBitsPerPass : 0);
    const auto cycles = static_cast<std::uint64_t>(cycle);
    bits.skip_to(3 + cycles * kPassesPerCycle * drawsPerPass + (cycles - 1) * 2);
    draw_next_bias_window(state, bits);
  }
  return {state.biasStartMinute, state.biasBit};
}

}  // namespace novabit
