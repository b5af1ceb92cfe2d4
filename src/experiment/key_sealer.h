#pragma once
// Where a run's key comes from. The live monitor takes a fresh one from the
// kernel and seals it beside the study log before the first pass; replays
// and simulations are given theirs.

#include <optional>
#include <string>

#include "keystream/random_key.h"

namespace novabit {

struct SealRequest {
  std::string path;  // the seal file to write, beside the study log
  std::string startDate;
  std::string startTime;
};

class KeySealer {
 public:
  virtual ~KeySealer() = default;
  // The run's key; nothing when it cannot be had or sealed (see failure()).
  virtual std::optional<RandomKey> seal_key(const SealRequest& request) = 0;
  // The seconds clock as the first pass read it: a replay starts there.
  virtual void note_first_reading(long double) {}
  // Why seal_key gave nothing, naming the file where there is one.
  virtual const std::string& failure() const = 0;
  // True when the seal could not be completed during the run.
  virtual bool records_lost() const { return false; }
};

// A key chosen beforehand; nothing is written.
class GivenKey final : public KeySealer {
 public:
  explicit GivenKey(const RandomKey& key) : key_(key) {}
  std::optional<RandomKey> seal_key(const SealRequest&) override { return key_; }
  const std::string& failure() const override { return failure_; }

 private:
  RandomKey key_;
  std::string failure_;
};

}  // namespace novabit
