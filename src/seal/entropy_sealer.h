#pragma once
// The live monitor's key: a fresh one from the kernel, sealed before the
// first pass in a new file at the request's path.

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "experiment/key_sealer.h"
#include "seal/seal.h"

namespace novabit {

// A fresh key from the kernel, sealed in a new file at the request's path.
class EntropySealer final : public KeySealer {
 public:
  // `source` names where the run's bits come from, for the seal; `errors`
  // hears of a seal that cannot be completed.
  EntropySealer(std::string source, std::FILE* errors) : source_(std::move(source)), errors_(errors) {}
  std::optional<RandomKey> seal_key(const SealRequest& request) override;
  void note_first_reading(long double reading) override;
  const std::string& failure() const override { return failure_; }
  bool records_lost() const override { return lost_; }

 private:
  std::string source_;
  std::FILE* errors_;
  bool lost_ = false;
  SealFile file_;
  std::string failure_;
};

}  // namespace novabit
