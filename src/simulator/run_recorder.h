#pragma once
// What the simulator records of a run through the driver's observer: the bit
// stream and the trace, each only when asked for.

#include <cstdint>

#include "experiment/pass_observer.h"
#include "simulator/bit_stream.h"
#include "simulator/trace_file.h"

namespace novabit {

class RunRecorder final : public PassObserver {
 public:
  // Either may be null; both must outlive the recorder.
  RunRecorder(BitStream* bits, TraceFile* trace) : bits_(bits), trace_(trace) {}

  void bit_counted(std::int32_t bit) override {
    if (bits_ != nullptr) bits_->add(bit);
  }
  void pass_counted(const ExperimentState& state, bool forced) override {
    if (trace_ != nullptr) trace_->add_pass(state, forced);
  }

 private:
  BitStream* bits_;
  TraceFile* trace_;
};

}  // namespace novabit
