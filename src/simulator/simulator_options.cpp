#include "simulator/simulator_options.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "seal/seal.h"

namespace novabit {

namespace {

using Path = std::filesystem::path;

constexpr long double kMaxClockSecond = std::numeric_limits<std::int32_t>::max();

constexpr const char* kDescription =
    "novabit-sim: runs the NovaBit monitor's experiment on a virtual clock, as fast as it can, with the\n"
    "same driver, statistics, study log and screen as the live program, and no window or keyboard.";

constexpr const char* kFooter =
    "A run's keyed draws all come from one ChaCha20 stream. --seed N keys it with the SHA-256 digest\n"
    "of the text \"novabit seed N\" (N in decimal); --seal FILE with the key a live run sealed, and then\n"
    "also starts the clocks as that run did, so that its study log, pictures, trace and bits come out\n"
    "byte for byte as the live run's (in the same time zone). A replay of a run whose bits came from\n"
    "another source than keyed draws them from that source, or from the one --source names.\n"
    "\n"
    "Exit status: 0 when the run is complete or its bit reader closed the stream; 1 when the source,\n"
    "the study log or an output could not be opened or written, the source stopped, or a signal stopped\n"
    "the run; 2 for bad arguments.";

// Reads a seal into the options: its key, its source, and the clocks as its
// run had them. The window's place in the keyed stream depends on whether the
// bits came from it, so a replay keeps that.
std::optional<std::string> apply_seal(const Path& path, bool sourceGiven, SimulatorOptions& options) {
  const Result<Seal> read = read_seal_file(path.string());
  if (!read) return "--seal: " + read.failure().message();
  const Seal& seal = *read;
  const bool sealedKeyed = seal.source.kind == SourceSpec::Kind::keyed;
  if (!sourceGiven) {
    options.source = seal.source;
  } else if ((options.source.kind == SourceSpec::Kind::keyed) != sealedKeyed) {
    return "--source: the sealed run's bits came from " + source_text(seal.source) +
           "; a replay needs a source of that kind";
  }
  const std::optional<std::time_t> start = local_moment(seal.start);
  if (!start) return "--seal: the start " + date_text(seal.start) + " " + time_text(seal.start) + " is no local time here";
  options.key = seal.key;
  options.start = *start;
  options.clockZero = kYear2000Epoch;
  // Without a clock line (a run that never began its first pass) the run's
  // passes are taken to begin on the start's whole seconds.
  options.clockOrigin = seal.clock.value_or(static_cast<long double>(*start - kYear2000Epoch));
  return std::nullopt;
}

std::string quoted(const Path& path) {
  std::string text(1, '\'');
  text += path.string();
  text += '\'';
  return text;
}

// The directory a new file would be created in.
Path directory_of(const Path& file) {
  const Path parent = file.parent_path();
  return parent.empty() ? Path(".") : parent;
}

std::optional<std::string> writable_directory(const Path& directory) {
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) return quoted(directory) + " is not a directory";
  if (access(directory.c_str(), W_OK | X_OK) != 0) {
    return "cannot write in " + quoted(directory) + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

std::optional<std::string> writable_file(const Path& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (std::filesystem::exists(status)) {
    if (std::filesystem::is_directory(status)) return quoted(file) + " is a directory";
    if (access(file.c_str(), W_OK) != 0) return "cannot write " + quoted(file) + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return writable_directory(directory_of(file));
}

std::optional<Path> canonical_path(const Path& path) {
  std::error_code error;
  Path canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
  if (error) return std::nullopt;
  return canonical;
}

}  // namespace

ParsedArguments parse_arguments(std::span<const char* const> arguments, std::time_t now) {
  SimulatorOptions options;
  options.start = now;
  options.clockZero = now;
  std::optional<std::int64_t> seed;
  std::optional<std::string> start;
  std::optional<Path> seal;
  std::string directory;

  CLI::App app(kDescription, "novabit-sim");
  app.footer(sources_help() + "\n\n" + kFooter);
  app.add_option("--passes", options.passes, "passes to run, one per virtual second (default 43201: one cycle)")
      ->type_name("N")
      ->check(CLI::Range(std::int64_t{0}, kMaxPasses));
  auto* seedOption = app.add_option("--seed", seed, "keys the draws with the number N (default 0)")->type_name("N");
  auto* sealOption = app.add_option("--seal", seal, "replays the live run whose seal FILE is")
                         ->type_name("FILE")
                         ->excludes(seedOption);
  app.add_option("--start", start, "local date and time of pass 1, \"YYYY-MM-DD HH:MM:SS\" (default: now); "
                                   "the study log is named from its date")
      ->type_name("TIME")
      ->excludes(sealOption);
  app.add_option("--dir", directory, "where the study log is written (default: the working directory)")
      ->type_name("DIR");
  app.add_option("--png", options.png, "the final picture of the screen as an 800 x 600 PNG")->type_name("FILE");
  app.add_option("--cycle-png", options.cyclePngPrefix, "the picture just before each cycle's end as PREFIX-cycleN.png")
      ->type_name("PREFIX");
  auto* traceOption =
      app.add_option("--trace", options.trace, "one CSV row per pass: pass,cycle_minute,minute_second,zeros,ones")
          ->type_name("FILE");
  app.add_flag("--reveal-bias", options.revealBias, "adds forced,bias_start_minute,bias_bit to the trace")
      ->needs(traceOption);
  app.add_option("--bits", options.bits, "every counted bit in draw order, 8 to a byte, the first in the top bit; "
                                         "'-' is standard output, and a reader that closes it ends the run quietly")
      ->type_name("FILE");
  bool noTrials = false;
  auto* sourceOption = add_source_options(app, options.source, noTrials);
  bool noBias = false;
  bool noScreen = false;
  app.add_flag("--no-bias", noBias, "calibration: the hidden window forces nothing, every draw is unchanged");
  app.add_flag("--no-screen", noScreen, "the experiment and the study log only, for speed");
  app.add_flag("--quiet", options.quiet, "no progress bar (shown only when standard error is a terminal)");

  if (auto outcome = parse_command_line(app, arguments)) {
    return std::visit([](auto&& result) -> ParsedArguments { return result; }, *outcome);
  }
  options.trialsRecord = !noTrials;
  options.biasEnabled = !noBias;
  options.screen = !noScreen;
  options.directory = directory;
  if (seed) options.key = key_from_seed(*seed);
  if (start) {
    const auto time = parse_local_time(*start);
    if (!time) return ArgumentError{"--start: '" + *start + "' is not a local time \"YYYY-MM-DD HH:MM:SS\""};
    options.start = options.clockZero = *time;
  }
  if (seal) {
    if (auto problem = apply_seal(*seal, sourceOption->count() > 0, options)) return ArgumentError{*problem};
  }
  for (const auto* file : {&options.png, &options.cyclePngPrefix, &options.trace, &options.bits}) {
    if (*file && (*file)->empty()) return ArgumentError{"an output needs a file name"};
  }
  if (!options.screen && (options.png || options.cyclePngPrefix)) {
    return ArgumentError{"--png and --cycle-png need the screen; leave out --no-screen"};
  }
  if (options.clockOrigin + static_cast<long double>(std::max<std::int64_t>(options.passes, 1)) > kMaxClockSecond) {
    return ArgumentError{std::to_string(options.passes) + " passes take the seal's clock beyond its 32-bit range"};
  }
  return options;
}

std::optional<std::string> check_paths(const SimulatorOptions& options) {
  if (auto problem = writable_directory(options.directory.empty() ? Path(".") : options.directory)) {
    return "--dir: " + *problem;
  }
  const std::pair<const char*, std::optional<Path>> files[] = {
      {"--png", options.png},
      {"--cycle-png", options.cyclePngPrefix ? std::optional(Path(options.cyclePngPrefix->string() + "-cycle1.png"))
                                             : std::nullopt},
      {"--trace", options.trace},
      {"--bits", options.bits_to_standard_output() ? std::nullopt : options.bits},
  };
  for (const auto& [name, file] : files) {
    if (!file) continue;
    if (auto problem = writable_file(*file)) return std::string(name) + ": " + *problem;
  }
  // Two outputs in one file would garble both.
  for (std::size_t one = 0; one < std::size(files); ++one) {
    for (std::size_t other = one + 1; other < std::size(files); ++other) {
      const auto& [oneName, oneFile] = files[one];
      const auto& [otherName, otherFile] = files[other];
      if (!oneFile || !otherFile) continue;
      const auto oneCanonical = canonical_path(*oneFile);
      if (oneCanonical && oneCanonical == canonical_path(*otherFile)) {
        return std::string(oneName) + " and " + otherName + " name the same file " + quoted(*otherFile);
      }
    }
  }
  return std::nullopt;
}

std::optional<std::time_t> parse_local_time(const std::string& text) {
  // "YYYY-MM-DD HH:MM:SS": the date part reordered into the study log's "MM-DD-YYYY".
  if (text.size() != 19 || text[4] != '-' || text[10] != ' ') return std::nullopt;
  const std::string date = text.substr(5, 5) + "-" + text.substr(0, 4);
  const std::optional<LocalTime> day = parse_date_text(date);
  const std::optional<LocalTime> moment = day ? parse_time_text(text.substr(11), *day) : std::nullopt;
  return moment ? local_moment(*moment) : std::nullopt;
}

std::string usage_text() {
  return "usage: novabit-sim [--passes N] [--seed N | --seal FILE] [--start TIME] [--dir DIR] [--png FILE]\n"
         "                   [--cycle-png PREFIX] [--trace FILE [--reveal-bias]] [--bits FILE|-]\n"
         "                   [--source " + source_names() + "] [--no-trials] [--no-bias] [--no-screen]\n"
         "                   [--quiet] [--help]\n";
}

}  // namespace novabit
