#pragma once
// Where a run's key comes from. The live monitor takes a fresh one from the
// kernel and seals it beside the study log before the first pass; replays
// and simulations are given theirs (replay/given_key.h).

#include <string>

#include "base/failure.h"
#include "keystream/random_key.h"
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
  // The start was refused after the key was sealed: the seal is removed, and
  // an earlier one of its name gets its name back.
  virtual void withdraw() {}
};

}  // namespace novabit
