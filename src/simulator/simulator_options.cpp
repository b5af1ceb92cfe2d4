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
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/fresh_file.h"
#include "clocks/wall_clock.h"
#include "replay/replay_clocks.h"
#include "seal/seal.h"

namespace novabit {

namespace {

using Path = std::filesystem::path;

constexpr long double kMaxClockSecond = std::numeric_limits<std::int32_t>::max();

constexpr const char* kSummary =
    "runs the NovaBit monitor's experiment on a virtual clock, as fast as it can, with the same driver, "
    "statistics, study log and screen as the live program, and no window or keyboard; given a live run's seal it "
    "replays that run.";

constexpr const char* kFooter =
    "A run's keyed draws all come from one ChaCha20 stream. --seed N keys it with the SHA-256 digest of the text "
    "\"novabit seed N\" (N in decimal); --seal FILE with the key a live run sealed, and then also starts the "
    "clocks as that run did, so that its study log, pictures, trace and bits come out byte for byte as the live "
    "run's (in the same time zone). A replay of a run whose bits came from another source than keyed draws them "
    "from that source, or from the one --source names. A replay names its study log and raw record "
    "estudio_MM-DD-YYYY.replay and .replay.trials.csv, so that it never touches the live run's files.\n"
    "\n"
    "Exit status: 0 when the run is complete or its bit reader closed the stream; 1 when the seal, the source, "
    "a folder, the study log or an output could not be read, opened or written, another run holds the folder, "
    "the metrics' port could not be had, the source stopped, or a signal stopped the run; 2 for bad arguments.";

// Reads a seal into the options: its key, its source, and the clocks as its
// run had them. The window's place in the keyed stream depends on whether the
// bits came from it, so a replay keeps that.
std::optional<CommandLineEnd> apply_seal(const Path& path, bool sourceGiven, SimulatorOptions& options) {
  const Result<Seal> read = read_seal_file(path.string());
  if (!read) return CommandLineEnd::failure(read.failure().after("--seal "));
  const Seal& seal = *read;
  const bool sealedKeyed = seal.source.kind == SourceSpec::Kind::keyed;
  if (!sourceGiven) {
    options.source = seal.source;
  } else if ((options.source.kind == SourceSpec::Kind::keyed) != sealedKeyed) {
    return CommandLineEnd::refusal("--source: " + in_quotes(source_text(options.source)) +
                                   " is not of the kind of the sealed run's " + source_text(seal.source));
  }
  const std::optional<ReplayClocks> clocks = sealed_clocks(seal);
  if (!clocks) {
    return CommandLineEnd::failure(Failure{"--seal " + path.string() + ": the start " + date_text(seal.start) + " " +
                                               time_text(seal.start) + " is no local time here",
                                           0});
  }
  options.key = seal.key;
  options.start = clocks->start;
  options.clockZero = clocks->clockZero;
  options.clockOrigin = clocks->clockOrigin;
  options.replay = true;
  return std::nullopt;
}

// The directory a new file would be created in.
Path directory_of(const Path& file) {
  const Path parent = file.parent_path();
  return parent.empty() ? Path(".") : parent;
}

Outcome writable_file(const std::string& option, const Path& file) {
  const std::string what = option + " " + file.string();
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) return fresh_file::writable_folder(directory_of(file).string(), what);
  if (std::filesystem::is_directory(status)) return Failure{what, EISDIR};
  if (access(file.c_str(), W_OK) != 0) return system_failure(what);
  return {};
}

std::optional<Path> canonical_path(const Path& path) {
  std::error_code error;
  Path canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
  if (error) return std::nullopt;
  return canonical;
}

// The output files by their options; --cycle-png by its first picture.
std::vector<std::pair<std::string, Path>> output_files(const SimulatorOptions& options) {
  std::vector<std::pair<std::string, Path>> files;
  if (options.png) files.emplace_back("--png", *options.png);
  if (options.cyclePngPrefix) files.emplace_back("--cycle-png", options.cyclePngPrefix->string() + "-cycle1.png");
  if (options.trace) files.emplace_back("--trace", *options.trace);
  if (options.bits && !options.bits_to_standard_output()) files.emplace_back("--bits", *options.bits);
  return files;
}

// Two outputs in one file would garble both.
std::optional<CommandLineEnd> shared_output(const SimulatorOptions& options) {
  const auto files = output_files(options);
  for (auto one = files.begin(); one != files.end(); ++one) {
    for (auto other = one + 1; other != files.end(); ++other) {
      const auto canonical = canonical_path(one->second);
      if (canonical && canonical == canonical_path(other->second)) {
        return CommandLineEnd::refusal(one->first + " and " + other->first + ": both name the file " +
                                       in_quotes(other->second.string()));
      }
    }
  }
  return std::nullopt;
}

// The options' words as given, before they are checked and taken.
struct GivenWords {
  std::int64_t seed = 0;
  std::string start;
  std::string seal;
  std::string rawRecord;
  std::string directory;
  std::string png;
  std::string cyclePng;
  std::string trace;
  std::string bits;
  bool noTrials = false;
  bool noBias = false;
  bool noScreen = false;
};

void add_run_options(CLI::App& app, SimulatorOptions& options, GivenWords& given) {
  add_whole_number(app, "--passes", options.passes, 0, kMaxPasses,
                   "passes to run, one per virtual second, at most 2147483646 (default 43201: one cycle)")
      ->group("Run");
  add_whole_number(app, "--seed", given.seed, std::numeric_limits<std::int64_t>::min(),
                   std::numeric_limits<std::int64_t>::max(), "keys the draws with the number N (default 0)")
      ->group("Run");
  app.add_option("--seal", given.seal, "replays the live run that sealed FILE; not with --seed or --start")
      ->type_name("FILE")
      ->group("Run");
  app.add_option("--raw-record", given.rawRecord,
                 "the sealed run's raw record: the replay skips the seconds its gap marks say the run skipped; "
                 "only with --seal")
      ->type_name("FILE")
      ->group("Run");
  app.add_option("--start", given.start,
                 "local date and time of pass 1, \"YYYY-MM-DD HH:MM:SS\" (default: now); the study log is named "
                 "from its date")
      ->type_name("TIME")
      ->group("Run");
  add_source_option(app, options.source)->group("Run");
  app.add_flag("--no-bias", given.noBias, "calibration: the hidden window forces nothing, every draw is unchanged")
      ->group("Run");
}

void add_file_options(CLI::App& app, SimulatorOptions& options, GivenWords& given) {
  app.add_option("--dir", given.directory,
                 "the folder of the study log and the raw record, which must exist (default: the working folder)")
      ->type_name("DIR")
      ->group("Files");
  add_no_trials_flag(app, given.noTrials)->group("Files");
  app.add_option("--png", given.png, "the final picture of the screen as an 800 x 600 PNG")
      ->type_name("FILE")
      ->group("Files");
  app.add_option("--cycle-png", given.cyclePng, "the picture just before each cycle's end as PREFIX-cycleN.png")
      ->type_name("PREFIX")
      ->group("Files");
  app.add_option("--trace", given.trace, "one CSV row per pass: pass,cycle_minute,minute_second,zeros,ones")
      ->type_name("FILE")
      ->group("Files");
  app.add_flag("--reveal-bias", options.revealBias,
               "adds forced,bias_start_minute,bias_bit to the trace: where the hidden window lay")
      ->group("Files");
  app.add_option("--bits", given.bits,
                 "every counted bit in draw order, 8 to a byte, the first in the top bit; '-' is standard output, "
                 "and a reader that closes it ends the run quietly")
      ->type_name("FILE")
      ->group("Files");
}

// What the options cannot mean together, once each was read.
std::optional<CommandLineEnd> unfit(const CLI::App& app, const SimulatorOptions& options, const GivenWords& given) {
  for (const auto& [one, other] : {std::pair{"--seed", "--seal"}, std::pair{"--start", "--seal"}}) {
    if (app.count(one) > 0 && app.count(other) > 0) {
      return CommandLineEnd::refusal(std::string(one) + " and " + other + ": give only one");
    }
  }
  if (options.revealBias && app.count("--trace") == 0) return CommandLineEnd::refusal("--reveal-bias: needs --trace");
  if (app.count("--raw-record") > 0 && app.count("--seal") == 0) {
    return CommandLineEnd::refusal("--raw-record: needs --seal");
  }
  const std::pair<const char*, const std::string*> paths[] = {{"--seal", &given.seal},
                                                              {"--dir", &given.directory},
                                                              {"--png", &given.png},
                                                              {"--raw-record", &given.rawRecord},
                                                              {"--cycle-png", &given.cyclePng},
                                                              {"--trace", &given.trace},
                                                              {"--bits", &given.bits}};
  for (const auto& [name, path] : paths) {
    if (app.count(name) > 0 && path->empty()) return CommandLineEnd::refusal(std::string(name) + ": '' names no file");
  }
  if (given.noScreen && (!given.png.empty() || !given.cyclePng.empty())) {
    return CommandLineEnd::refusal(std::string(given.png.empty() ? "--cycle-png" : "--png") +
                                   ": needs the screen; leave out --no-screen");
  }
  return std::nullopt;
}

// The given words into the options: the files, the key, the start and a seal's run.
std::optional<CommandLineEnd> take_words(const CLI::App& app, const GivenWords& given, SimulatorOptions& options) {
  options.trialsRecord = !given.noTrials;
  options.biasEnabled = !given.noBias;
  options.screen = !given.noScreen;
  options.directory = given.directory;
  if (!given.png.empty()) options.png = given.png;
  if (!given.cyclePng.empty()) options.cyclePngPrefix = given.cyclePng;
  if (!given.trace.empty()) options.trace = given.trace;
  if (!given.bits.empty()) options.bits = given.bits;
  if (app.count("--seed") > 0) options.key = key_from_seed(given.seed);
  if (!given.start.empty()) {
    const auto time = parse_local_time(given.start);
    if (!time) {
      return CommandLineEnd::refusal("--start: " + in_quotes(given.start) +
                                     " is not a local time \"YYYY-MM-DD HH:MM:SS\"");
    }
    options.start = options.clockZero = *time;
  }
  if (!given.rawRecord.empty()) {
    Result<RunGaps> gaps = read_run_gaps(given.rawRecord);
    if (!gaps) return CommandLineEnd::failure(gaps.failure().after("--raw-record "));
    options.gaps = std::move(*gaps);
  }
  if (!given.seal.empty()) return apply_seal(given.seal, app.count("--source") > 0, options);
  return std::nullopt;
}

}  // namespace

CommandLine<SimulatorOptions> parse_arguments(std::span<const char* const> arguments, std::time_t now) {
  SimulatorOptions options;
  options.start = now;
  options.clockZero = now;
  GivenWords given;
  CLI::App app;
  set_help(app, {"novabit-sim", kSummary, usage_text(), sources_help() + "\n\n" + kFooter});
  add_run_options(app, options, given);
  add_file_options(app, options, given);
  add_station_options(app, options.station);
  app.add_flag("--no-screen", given.noScreen, "the experiment and the study log only, for speed")->group("Speed");
  app.add_flag("--quiet", options.quiet, "no progress bar (shown only when standard error is a terminal)")
      ->group("Speed");

  if (std::optional<CommandLineEnd> end = parse_command_line(app, arguments)) return *end;
  if (std::optional<CommandLineEnd> end = unfit(app, options, given)) return *end;
  if (std::optional<CommandLineEnd> end = take_words(app, given, options)) return *end;
  std::int64_t skipped = 0;
  for (const auto& [pass, gap] : options.gaps) skipped += pass <= options.passes ? gap : 0;
  if (options.clockOrigin + static_cast<long double>(std::max<std::int64_t>(options.passes, 1) + skipped) >
      kMaxClockSecond) {
    return CommandLineEnd::refusal("--passes: " + std::to_string(options.passes) + " passes" +
                                   (skipped > 0 ? " and the seconds the run skipped" : "") +
                                   " take the seal's clock beyond its 32-bit range");
  }
  if (std::optional<CommandLineEnd> end = shared_output(options)) return *end;
  return options;
}

Outcome check_paths(const SimulatorOptions& options) {
  if (Outcome folder = writable_output_folder("--dir", options.directory); !folder) return folder;
  for (const auto& [option, file] : output_files(options)) {
    if (Outcome writable = writable_file(option, file); !writable) return writable;
  }
  return {};
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
  return "usage: novabit-sim [--passes N] [--seed N | --seal FILE [--raw-record FILE]] [--start TIME]\n"
         "                   [--no-bias] [--source " +
         source_names() +
         "] [--dir DIR] [--no-trials]\n"
         "                   [--png FILE] [--cycle-png PREFIX] [--trace FILE [--reveal-bias]] [--bits FILE|-]\n"
         "                   [--station NAME] [--metrics [ADDR:]PORT [--metrics-web-config FILE]]\n"
         "                   [--no-screen] [--quiet]\n"
         "       novabit-sim --version | --help\n";
}

}  // namespace novabit
