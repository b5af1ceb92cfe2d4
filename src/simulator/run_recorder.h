#pragma once
// What the simulator records of a run: the bit stream and the trace, each
// only when asked for. The trace may show the hidden window, so it reads the
// driver's own state rather than what the events tell everyone.

#include <cstdint>

#include "experiment/experiment_driver.h"
#include "experiment/experiment_events.h"
#include "simulator/bit_stream.h"
#include "simulator/trace_file.h"

namespace novabit {

class RunRecorder final : public ExperimentEvents {
 public:
  // Either may be null; both must outlive the recorder.
  RunRecorder(BitStream* bits, TraceFile* trace) : bits_(bits), trace_(trace) {}

  // The run whose passes the trace shows; before its first pass.
  void follow(const ExperimentDriver& driver) { driver_ = &driver; }

  void bit_counted(std::int32_t bit) override {
    if (bits_ != nullptr) bits_->add(bit);
  }
  void second_counted(const CountedSecond&) override {
    if (trace_ != nullptr && driver_ != nullptr) trace_->add_pass(driver_->state(), driver_->pass_forced());
  }

 private:
  BitStream* bits_;
  TraceFile* trace_;
  const ExperimentDriver* driver_ = nullptr;
};

}  // namespace novabit
