#pragma once
// Whether a seal's key is the one a run was drawn with, proven before the
// seal reveals anything: its run's records are compared with a replay of the
// key. Another key reproduces a record only by chance, about once in 300.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/failure.h"
#include "replay/replay.h"
#include "report/log_stream.h"
#include "seal/seal.h"

namespace novabit::report {

// How many of a log's first records a replay reproduced.
struct Reproduction {
  std::int64_t compared = 0;
  std::int64_t reproduced = 0;
  // More than half: a key that is not the run's reproduces none, or one by chance.
  bool proven() const { return 2 * reproduced > compared; }
};

// The records compared to prove a seal: a run's first hour.
inline constexpr std::int64_t kProofRecords = 12;

// The sealed run of the keyed generator, replayed from its key; a failure names the seal.
Result<std::unique_ptr<Replay>> start_replay(const std::string& sealFile, const Seal& seal);

// Whether `record` is the replay's: the ones of its period. Cycle and damaged
// records give nothing to compare.
std::optional<bool> record_reproduced(const Checkpoint& record, Replay& replay);

// The first kProofRecords counted records of `logFile`, placed from the
// seal's start, against the replay. A failure names the file.
Result<Reproduction> reproduce_first_hour(const std::string& sealFile, const Seal& seal, const std::string& logFile);

}  // namespace novabit::report
