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

namespace novabit {

inline constexpr std::int64_t kCyclePasses = 720 * 60 + 1;
// secondsElapsed, a 32-bit count, reaches passes + 1.
inline constexpr std::int64_t kMaxPasses = 2147483646;

struct SimulatorOptions {
  std::int64_t passes = kCyclePasses;
  // The seconds clock's whole-second reading at start-up.
  std::int64_t seed = 0;
  // The local time of pass 1, as a moment of the system clock.
  std::time_t start = 0;
  std::filesystem::path directory;  // empty: the working directory
  std::optional<std::filesystem::path> png;
  std::optional<std::filesystem::path> cyclePngPrefix;
  std::optional<std::filesystem::path> trace;
  std::optional<std::filesystem::path> bits;  // "-": standard output
  bool revealBias = false;
  bool biasEnabled = true;
  bool screen = true;
  bool quiet = false;

  bool bits_to_standard_output() const { return bits && *bits == "-"; }
};

struct HelpRequested {};
struct ArgumentError {
  std::string message;  // one line, naming the problem
};
using ParsedArguments = std::variant<SimulatorOptions, HelpRequested, ArgumentError>;

// `arguments` without the program name; `now` is the default start.
ParsedArguments parse_arguments(std::span<const char* const> arguments, std::time_t now);

// The run's paths: the study log's directory must be writable and every
// output file creatable or writable. The problem, or nothing when all are fine.
std::optional<std::string> check_paths(const SimulatorOptions& options);

// "YYYY-MM-DD HH:MM:SS" as a local time that exists; nothing otherwise.
std::optional<std::time_t> parse_local_time(const std::string& text);

// The live program's seed when it started at `start`: the whole seconds
// from 2000-01-01 00:00:00 UTC.
std::int64_t seed_at(std::time_t start);

// The first line of the usage, and the whole explanation for --help.
const char* usage_text();
const char* help_text();

}  // namespace novabit
