#pragma once
// The simulator's command line: every option with its default, the help and
// usage texts, and the checks that refuse a run before anything is written.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "experiment/experiment_numbers.h"
#include "keystream/random_key.h"
#include "monitor/run_options.h"
#include "program/command_line.h"
#include "replay/run_gaps.h"
#include "sources/source_spec.h"

namespace novabit {

// secondsElapsed, a 32-bit count, reaches passes + 1.
inline constexpr std::int64_t kMaxPasses = 2147483646;

struct SimulatorOptions {
  std::int64_t passes = kPassesPerCycle;
  RandomKey key = key_from_seed(0);
  // The seconds clock's reading in pass 1.
  long double clockOrigin = 0;
  // The local time shown at start-up, which also names the study log.
  std::time_t start = 0;
  // The moment of the system clock that the seconds clock's reading 0 stands for.
  std::time_t clockZero = 0;
  std::filesystem::path directory;  // empty: the working directory
  // A replay of a sealed run, whose files are named as a replay's.
  bool replay = false;
  // The seconds the replayed run skipped, from its raw record (--raw-record).
  RunGaps gaps;
  std::optional<std::filesystem::path> png;
  std::optional<std::filesystem::path> cyclePngPrefix;
  std::optional<std::filesystem::path> trace;
  std::optional<std::filesystem::path> bits;  // "-": standard output
  // The source of each pass's 200 bits; a replayed seal's source by default.
  SourceSpec source;
  bool trialsRecord = true;
  StationOptions station;
  bool revealBias = false;
  bool biasEnabled = true;
  bool screen = true;
  bool quiet = false;

  bool bits_to_standard_output() const { return bits && *bits == "-"; }
};

// `arguments` without the program name; `now` is the default start. A seal
// named by --seal is read here: one that cannot be read, or whose start is no
// local time here, ends the program with status 1.
CommandLine<SimulatorOptions> parse_arguments(std::span<const char* const> arguments, std::time_t now);

// The run's files can be written: the study log's folder takes new files and
// every output file can be created or written. The failure names the option
// and the file.
Outcome check_paths(const SimulatorOptions& options);

// "YYYY-MM-DD HH:MM:SS" as a local time that exists; nothing otherwise.
std::optional<std::time_t> parse_local_time(const std::string& text);

// The usage, a few lines.
std::string usage_text();

}  // namespace novabit
