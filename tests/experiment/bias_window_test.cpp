// Where the hidden window lies in every cycle, told from the key alone.

#include "experiment/bias_window.h"

#include <gtest/gtest.h>

namespace novabit {
namespace {

// The window found by seeking equals the one a run draws in its order: the
// start-up pair, then per pass the biasDraw (and the bits, when they come from
// the stream), then the pair of each CycleEnd.
TEST(BiasWindow, OfACycleIsWhereTheRunDrewIt) {
  const RandomKey key = key_from_seed(31);
  for (const bool bitsFromStream : {true, false}) {
    BitSource bits;
    bits.seed_random(key);
    ExperimentState state;
    draw_first_bias_window(state, bits);
    for (std::int64_t cycle = 0; cycle < 3; ++cycle) {
      const BiasWindowPlace place = bias_window_of_cycle(key, cycle, bitsFromStream);
      EXPECT_EQ(place.startMinute, state.biasStartMinute) << cycle;
      EXPECT_EQ(place.bit, state.biasBit) << cycle;
      for (std::int64_t draw = 0; draw < kPassesPerCycle * (bitsFromStream ? 201 : 1); ++draw) bits.rand();
      draw_next_bias_window(state, bits);
    }
  }
}

}  // namespace
}  // namespace novabit
