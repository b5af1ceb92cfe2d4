#pragma once
// The live monitor's key: a fresh one from the kernel, sealed before the
// first pass in a new file at the request's path.

#include <cstdio>
#include <utility>

#include "experiment/key_sealer.h"
#include "seal/seal.h"
#include "sources/source_spec.h"

namespace novabit {

class EntropySealer final : public KeySealer {
 public:
  // `source` is where the run's bits come from, for the seal; `errors`
  // hears of a seal that cannot be completed.
  EntropySealer(SourceSpec source, std::FILE* errors) : source_(std::move(source)), errors_(errors) {}
  Result<RandomKey> seal_key(const SealRequest& request) override;
  void note_first_reading(long double reading) override;
  bool records_lost() const override { return lost_; }

 private:
  SourceSpec source_;
  std::FILE* errors_;
  bool lost_ = false;
  SealFile file_;
};

}  // namespace novabit
