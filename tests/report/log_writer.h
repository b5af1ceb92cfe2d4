#pragma once
// Study logs written by the monitor's own StudyLog, from a list of records
// with chosen counts, so that the reader is tried on the real bytes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
#include "experiment/experiment_numbers.h"
#include "experiment/study_log.h"
#include "support/fakes.h"
#include "support/files.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit::testing {

enum class Kind { five_minute, quarter, cycle };

struct Written {
  Kind kind;
  std::int32_t ones = 0;  // for a cycle record: the cycle's number
  LocalTime when{2026, 12, 5, 10, 4, 59};
};

// The bytes of a log holding `records`, written in `directory`. A
// quarter's global averages show "--.--" until its side has won.
inline std::string written_log(const std::filesystem::path& directory, const std::vector<Written>& records) {
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  FixedWallClock clock(records.empty() ? LocalTime{} : records.front().when);
  StudyLog log(printer, clock);
  if (!log.open(1, directory)) return {};
  std::int32_t zeroWins = 0;
  std::int32_t oneWins = 0;
  for (const Written& record : records) {
    clock.set(record.when);
    if (record.kind == Kind::cycle) {
      log.write_cycle_record(1, record.ones);
      continue;
    }
    const bool quarter = record.kind == Kind::quarter;
    PeriodTally tally;
    tally.ones = record.ones;
    tally.zeros = (quarter ? kQuarterBits : kFiveMinuteBits) - record.ones;
    const Leaning leaning = tally.leaning();
    zeroWins += quarter && leaning == Leaning::zero ? 1 : 0;
    oneWins += quarter && leaning == Leaning::one ? 1 : 0;
    const auto average = [](std::int32_t wins) { return wins == 0 ? std::nullopt : std::optional(6.0); };
    log.write_checkpoint_record(1, checkpoint_form(quarter ? Period::quarter : Period::five_minute, leaning), tally,
                                quarter ? RecordFigures{6, average(oneWins), average(zeroWins)}
                                        : RecordFigures{5, {}, {}});
  }
  channels.close_all_channels();
  return file_bytes(directory / log.name());
}

}  // namespace novabit::testing
