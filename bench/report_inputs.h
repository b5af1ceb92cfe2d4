#pragma once
// Inputs for the report benchmarks: a long study log written by the
// monitor's own StudyLog with random counts, and a trials file of a day.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "clocks/wall_clock.h"
#include "experiment/experiment_numbers.h"
#include "experiment/study_log.h"
#include "experiment/trials_format.h"
#include "report/log_time.h"
#include "textio/channels.h"
#include "textio/printer.h"

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
  if (!log.open(1, directory)) return {};
  std::mt19937_64 random(1);
  PeriodTally fiveMinutes;
  PeriodTally quarter;
  std::int32_t cycles = 0;
  for (std::int64_t record = 1; record <= fiveMinuteRecords; ++record) {
    clock.pass = record * kFiveMinutePasses;
    fiveMinutes.ones = fair_count(random, kFiveMinuteBits);
    fiveMinutes.zeros = kFiveMinuteBits - fiveMinutes.ones;
    quarter.ones += fiveMinutes.ones;
    if (record % 3 == 0) {
      quarter.zeros = kQuarterBits - quarter.ones;
      log.write_checkpoint_record(1, checkpoint_form(Period::quarter, quarter.leaning()), quarter, {6, 6.0, 6.0});
      quarter = PeriodTally{};
    }
    log.write_checkpoint_record(1, checkpoint_form(Period::five_minute, fiveMinutes.leaning()), fiveMinutes,
                                {6, {}, {}});
    if (clock.pass / kPassesPerCycle != (clock.pass + kFiveMinutePasses) / kPassesPerCycle) {
      log.write_cycle_record(1, ++cycles);
    }
  }
  channels.close_all_channels();
  return directory / log.name();
}

// A day of passes in the trials format, from pass 1 at 12-05-2026 10:00:00.
inline std::filesystem::path write_trials_day(const std::filesystem::path& directory, std::int64_t passes) {
  const std::filesystem::path path = directory / "estudio_12-05-2026.trials.csv";
  std::ofstream out(path, std::ios::binary);
  out << "# program=novabit 1.0.0\r\n# source=keyed\r\n" << kTrialsColumns << "\r\n";
  std::mt19937_64 random(2);
  PassWallClock clock;
  for (std::int64_t pass = 1; pass <= passes; ++pass) {
    clock.pass = pass;
    const LocalTime local = clock.now();
    char line[128];
    std::snprintf(line, sizeof line, "%lld,%04d-%02d-%02dT%02d:%02d:%02dZ,%s %s,%d,\r\n", static_cast<long long>(pass),
                  local.year, local.month, local.day, local.hour, local.minute, local.second,
                  date_text(local).c_str(), time_text(local).c_str(), fair_count(random, kBitsPerPass));
    out << line;
  }
  return path;
}

}  // namespace novabit::bench
