#pragma once
// Where a run's key comes from. The live monitor takes a fresh one from the
// kernel and seals it beside the study log before the first pass; replays
// and simulations are given theirs.

#include <string>

#include "keystream/random_key.h"
#include "textio/failure.h"
#include "textio/formatting.h"

namespace novabit {

struct SealRequest {
  std::string path;       // the seal file to write
  LocalTime start;        // the start the screen shows
  std::string station{};  // the station the run names; may be empty
};

class KeySealer {
 public:
  virtual ~KeySealer() = default;
  // The run's key, or why it cannot be had or sealed, naming the file.
  virtual Result<RandomKey> seal_key(const SealRequest& request) = 0;
  // The seconds clock as the first pass read it: a replay starts there. A
  // failure names the file; the key is sealed already, so the run goes on.
  virtual Outcome note_first_reading(long double) { return {}; }
};

// A key chosen beforehand; nothing is written.
class GivenKey final : public KeySealer {
 public:
  explicit GivenKey(const RandomKey& key) : key_(key) {}
  Result<RandomKey> seal_key(const SealRequest&) override { return key_; }

 private:
  RandomKey key_;
};

}  // namespace novabit
