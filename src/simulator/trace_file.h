#pragma once
// The trace: one CSV row per pass with its counts and place in the cycle,
// and on request the hidden BiasWindow at that pass.

#include "experiment/experiment_state.h"
#include "simulator/output_file.h"

namespace novabit {

class TraceFile {
 public:
  // Writes the header row.
  TraceFile(OutputFile& file, bool revealBias);

  void add_pass(const ExperimentState& state, bool forced);

 private:
  OutputFile& file_;
  bool revealBias_;
};

}  // namespace novabit
