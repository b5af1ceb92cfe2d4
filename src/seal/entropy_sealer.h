#pragma once
// The live monitor's key: a fresh one from the kernel, sealed before the
// first pass in a new file at the request's path.

#include <utility>

#include "experiment/key_sealer.h"
#include "seal/seal.h"
#include "sources/source_spec.h"

namespace novabit {

class EntropySealer final : public KeySealer {
 public:
  // `source` is where the run's bits come from, for the seal.
  explicit EntropySealer(SourceSpec source) : source_(std::move(source)) {}
  Result<RandomKey> seal_key(const SealRequest& request) override;
  // A lost clock line only costs a replay its exact pacing.
  Outcome note_first_reading(long double reading) override { return file_.add_clock(reading); }
  void withdraw() override { file_.withdraw(); }

 private:
  SourceSpec source_;
  SealFile file_;
};

}  // namespace novabit
