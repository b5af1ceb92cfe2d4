#pragma once
// Study logs written by the monitor's own StudyLog, from a list of records
// with chosen counts, so that the reader is tried on the real bytes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "experiment/checkpoint_arithmetic.h"
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
  log.open(1, directory);
  ExperimentState state;
  state.logFileNumber = 1;
  for (const Written& record : records) {
    clock.set(record.when);
    if (record.kind == Kind::cycle) {
      state.cyclesCompleted = record.ones;
      log.write_cycle_record(state);
      continue;
    }
    const bool quarter = record.kind == Kind::quarter;
    const std::int32_t zeros = (quarter ? 180000 : 60000) - record.ones;
    const Leaning leaning = leaning_of(zeros, record.ones);
    if (quarter) {
      state.quarterZeros = zeros;
      state.quarterOnes = record.ones;
      state.quarterZeroDevSum = state.quarterOneDevSum = 6;
      state.globalZeroAvgSum += 6;
      state.globalOneAvgSum += 6;
      state.quarterZeroWins += leaning == Leaning::zero ? 1 : 0;
      state.quarterOneWins += leaning == Leaning::one ? 1 : 0;
      log.write_quarter_record(state, leaning);
    } else {
      state.fiveMinZeros = zeros;
      state.fiveMinOnes = record.ones;
      state.fiveMinZeroDevSum = state.fiveMinOneDevSum = 5;
      log.write_five_minute_record(state, leaning);
    }
  }
  channels.close_all_channels();
  return file_bytes(directory / log.name());
}

}  // namespace novabit::testing
