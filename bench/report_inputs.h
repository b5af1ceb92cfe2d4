#pragma once
// Inputs for the report benchmarks: a long study log written by the
// monitor's own StudyLog with random counts, and a trials file of a day.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "experiment/study_log.h"
#include "report/log_time.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "clocks/wall_clock.h"

namespace novabit::bench {

// The wall clock of pass `pass` of a run started on 12-05-2026 at 10:00:00.
class PassWallClock final : public WallClock {
 public:
  LocalTime now() const override { return report::local_time_of(kStart + pass - 1); }
  std::int64_t pass = 1;

 private:
  static constexpr std::int64_t kStart = 1796464800;  // 2026-12-05 10:00:00
};

inline std::int32_t fair_count(std::mt19937_64& random, std::int32_t bits) {
  return std::binomial_distribution<std::int32_t>(bits, 0.5)(random);
}

// A run of `fiveMinuteRecords` records with its quarters and cycle ends, in
// the order the monitor writes them; returns the log's path.
inline std::filesystem::path write_long_log(const std::filesystem::path& directory, std::int64_t fiveMinuteRecords) {
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  PassWallClock clock;
  StudyLog log(printer, clock);
  log.open(1, directory);
  ExperimentState state;
  state.logFileNumber = 1;
  std::mt19937_64 random(1);
  std::int32_t quarterOnes = 0;
  for (std::int64_t record = 1; record <= fiveMinuteRecords; ++record) {
    clock.pass = record * 300;
    state.fiveMinZeroDevSum = state.fiveMinOneDevSum = 6;
    state.fiveMinOnes = fair_count(random, 60000);
    state.fiveMinZeros = 60000 - state.fiveMinOnes;
    quarterOnes += state.fiveMinOnes;
    if (record % 3 == 0) {
      state.quarterOnes = quarterOnes;
      state.quarterZeros = 180000 - quarterOnes;
      state.quarterZeroDevSum = state.quarterOneDevSum = 6;
      state.quarterOneWins += 1;
      state.globalOneAvgSum += 6.0F;
      log.write_quarter_record(state, leaning_of(state.quarterZeros, state.quarterOnes));
      quarterOnes = 0;
    }
    log.write_five_minute_record(state, leaning_of(state.fiveMinZeros, state.fiveMinOnes));
    if (clock.pass / 43201 != (clock.pass + 300) / 43201) {
      state.cyclesCompleted += 1;
      log.write_cycle_record(state);
    }
  }
  channels.close_all_channels();
  return directory / log.name();
}

// A day of passes in the trials format, from pass 1 at 12-05-2026 10:00:00.
inline std::filesystem::path write_trials_day(const std::filesystem::path& directory, std::int64_t passes) {
  const std::filesystem::path path = directory / "estudio_12-05-2026.trials.csv";
  std::ofstream out(path, std::ios::binary);
  out << "# program=novabit 1.0.0\r\n# source=keyed\r\npass,utc,local,ones,alarm\r\n";
  std::mt19937_64 random(2);
  PassWallClock clock;
  for (std::int64_t pass = 1; pass <= passes; ++pass) {
    clock.pass = pass;
    const LocalTime local = clock.now();
    char line[128];
    std::snprintf(line, sizeof line, "%lld,%04d-%02d-%02dT%02d:%02d:%02dZ,%s %s,%d,\r\n", static_cast<long long>(pass),
                  local.year, local.month, local.day, local.hour, local.minute, local.second,
                  date_text(local).c_str(), time_text(local).c_str(), fair_count(random, 200));
    out << line;
  }
  return path;
}

}  // namespace novabit::bench
