#pragma once
// The run every report test starts from, simulated once from a seal: a cycle
// and a little (150 five-minute records, 50 quarters, one cycle record), with
// its raw record and the simulator's trace of where the window lay.

#include <string>

#include "keystream/random_key.h"
#include "seal/seal.h"
#include "support/files.h"
#include "support/simulator_run.h"

namespace novabit::testing {

inline constexpr const char* kLog = "estudio_12-05-2026.replay";
inline constexpr const char* kTrials = "estudio_12-05-2026.replay.trials.csv";
inline constexpr const char* kPasses = "45000";

// Without a clock line the replay's passes begin on the start's whole seconds.
inline void write_seal(const std::string& path, std::int64_t seed, const LocalTime& start) {
  write_bytes(path, seal_text({key_from_seed(seed), start, {}, std::nullopt}));
}

struct SealedRun {
  ScratchDirectory folder;
  std::string log = folder.file(kLog), trials = folder.file(kTrials), seal = folder.file("run.seal");
  SealedRun() {
    write_seal(seal, 5, {2026, 12, 5, 10, 0, 30});
    run_simulator({"--seal", seal, "--no-screen", "--quiet", "--passes", kPasses, "--dir", folder.file(""), "--trace",
                   folder.file("trace.csv"), "--reveal-bias"});
  }
};

inline const SealedRun& sealed_run() {
  static const SealedRun run;
  return run;
}

}  // namespace novabit::testing
