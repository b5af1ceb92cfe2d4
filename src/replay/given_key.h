#pragma once
// A key chosen beforehand: the sealed key of a run replayed, a simulation's
// seeded key, a test's. Nothing is written.

#include "experiment/key_sealer.h"

namespace novabit {

class GivenKey final : public KeySealer {
 public:
  explicit GivenKey(const RandomKey& key) : key_(key) {}
  Result<RandomKey> seal_key(const SealRequest&) override { return key_; }

 private:
  RandomKey key_;
};

}  // namespace novabit
