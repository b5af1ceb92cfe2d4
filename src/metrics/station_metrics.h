#pragma once
// The live state of one station for Prometheus. The pass thread writes it,
// the metrics server's thread reads it at every scrape, and neither ever
// waits for the other's work: every value is an atomic. The three values a
// pass changes are published together under a sequence number, so that no
// scrape sees a pass's bits without its ones.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "base/failure.h"
#include "clocks/kernel_clock.h"
#include "sources/health_tests.h"

namespace novabit {

enum class RecordFile { study_log, raw_record, seal };

// What a run is, fixed at its start.
struct StationIdentity {
  std::string station;               // the host name unless the user names it
  std::string source;                // as --source names it: keyed, kernel, device:PATH
  std::string version;               // the program's
  std::string keySha256;             // the commitment the raw record's header carries
  std::int64_t runStartSeconds = 0;  // UTC, since the epoch
};

class StationMetrics {
 public:
  // The kernel's word on the system clock is read afresh at every scrape.
  StationMetrics(const StationIdentity& identity, const KernelClock& kernelClock);
  StationMetrics(const StationMetrics&) = delete;
  StationMetrics& operator=(const StationMetrics&) = delete;

  // From the pass thread only: a counted pass with `ones` among its 200
  // bits (forced ones included), at `utcSeconds` since the epoch.
  void pass_counted(int ones, std::int64_t utcSeconds);
  // From any thread.
  void health_alarm(HealthTest test);
  void late_pass();
  void seconds_skipped(std::uint64_t count);
  void record_lost(RecordFile file, std::uint64_t count);
  void cycle_completed();
  void source_up(bool up);  // down until the program says otherwise

  // Every series in the Prometheus text format 0.0.4; from any thread.
  std::string exposition() const;

 private:
  struct PassCounts {
    std::uint64_t passes;
    std::uint64_t ones;
    std::int64_t lastPassSeconds;
  };
  PassCounts pass_counts() const;

  const std::string labels_;      // station and source, escaped
  const std::string infoLabels_;  // with the version and the key commitment
  const std::int64_t runStartSeconds_;
  const KernelClock& kernelClock_;
  std::atomic<std::uint64_t> sequence_{0};  // odd while a pass is being published
  std::atomic<std::uint64_t> passes_{0};
  std::atomic<std::uint64_t> ones_{0};
  std::atomic<std::int64_t> lastPassSeconds_{0};
  std::array<std::atomic<std::uint64_t>, kHealthTests.size()> healthAlarms_{};
  std::array<std::atomic<std::uint64_t>, 3> recordsLost_{};
  std::atomic<std::uint64_t> latePasses_{0};
  std::atomic<std::uint64_t> skippedSeconds_{0};
  std::atomic<std::uint64_t> cyclesCompleted_{0};
  std::atomic<bool> sourceUp_{false};
};

// The machine's host name, the default name of its station.
Result<std::string> host_name();

}  // namespace novabit
