#pragma once
// A watcher of the draws, for tools that record a run: it sees every counted
// bit and then each pass whose bits are all counted. The live program has none.

#include <cstdint>

#include "experiment/experiment_state.h"

namespace novabit {

class PassObserver {
 public:
  virtual ~PassObserver() = default;
  // The bit as counted, after any forcing.
  virtual void bit_counted(std::int32_t bit) = 0;
  // Right after the pass's 200th bit, before its StatusLine: the state still
  // holds the pass's counts, cycle clock and BiasWindow. `forced` says whether
  // its bits were forced.
  virtual void pass_counted(const ExperimentState& state, bool forced) = 0;
};

}  // namespace novabit
