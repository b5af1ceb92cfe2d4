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

#include "textio/seconds_clock.h"

namespace novabit {

namespace {

using Path = std::filesystem::path;

constexpr std::int64_t kMaxClockSecond = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinClockSecond = std::numeric_limits<std::int32_t>::min();

std::optional<std::int64_t> whole_number(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Reads the options one by one; the first problem wins.
class ArgumentReader {
 public:
  ArgumentReader(std::span<const char* const> arguments, std::time_t now) : arguments_(arguments) {
    options_.start = now;
  }

  ParsedArguments read() {
    for (next_ = 0; next_ < arguments_.size() && !error_;) {
      std::string_view argument = arguments_[next_++];
      inlineValue_.reset();
      if (const auto equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
        inlineValue_ = argument.substr(equals + 1);
        argument = argument.substr(0, equals);
      }
      name_ = argument;
      if (argument == "--help" || argument == "-h") return HelpRequested{};
      read_option(argument);
    }
    if (!error_) check_combinations();
    if (error_) return ArgumentError{*error_};
    return options_;
  }

 private:
  void read_option(std::string_view name) {
    if (name == "--passes") {
      read_passes();
    } else if (name == "--seed") {
      read_seed();
    } else if (name == "--start") {
      if (const auto time = time_value()) start_ = time;
    } else if (name == "--seed-from") {
      if (const auto time = time_value()) seedFrom_ = time;
    } else if (name == "--dir") {
      if (const auto text = value()) options_.directory = Path(*text);
    } else if (name == "--png") {
      options_.png = path_value();
    } else if (name == "--cycle-png") {
      options_.cyclePngPrefix = path_value();
    } else if (name == "--trace") {
      options_.trace = path_value();
    } else if (name == "--bits") {
      options_.bits = path_value();
    } else if (name == "--reveal-bias") {
      flag(options_.revealBias, true);
    } else if (name == "--no-bias") {
      flag(options_.biasEnabled, false);
    } else if (name == "--no-screen") {
      flag(options_.screen, false);
    } else if (name == "--quiet") {
      flag(options_.quiet, true);
    } else {
      fail("unknown option " + std::string(name));
    }
  }

  void fail(std::string message) {
    if (!error_) error_ = std::move(message);
  }

  std::optional<std::string> value() {
    if (inlineValue_) return std::string(*inlineValue_);
    if (next_ >= arguments_.size()) {
      fail(name_ + " needs a value");
      return std::nullopt;
    }
    return std::string(arguments_[next_++]);
  }

  std::optional<Path> path_value() {
    const auto text = value();
    if (!text) return std::nullopt;
    if (text->empty()) {
      fail(name_ + " needs a file name");
      return std::nullopt;
    }
    return Path(*text);
  }

  void flag(bool& option, bool setting) {
    if (inlineValue_) return fail(name_ + " takes no value");
    option = setting;
  }

  void read_passes() {
    const auto text = value();
    if (!text) return;
    const auto count = whole_number(*text);
    if (!count) return fail("--passes: '" + *text + "' is not a whole number");
    if (*count < 0) return fail("--passes: the count " + *text + " is negative");
    if (*count > kMaxPasses) return fail("--passes: the count " + *text + " is above " + std::to_string(kMaxPasses));
    options_.passes = *count;
  }

  void read_seed() {
    const auto text = value();
    if (!text) return;
    const auto seed = whole_number(*text);
    if (!seed) return fail("--seed: '" + *text + "' is not a whole number of seconds");
    seed_ = seed;
  }

  std::optional<std::time_t> time_value() {
    const auto text = value();
    if (!text) return std::nullopt;
    const auto time = parse_local_time(*text);
    if (!time) fail(name_ + ": '" + *text + "' is not a local time \"YYYY-MM-DD HH:MM:SS\"");
    return time;
  }

  void check_combinations() {
    if (seed_ && seedFrom_) return fail("--seed and --seed-from exclude each other");
    if (seedFrom_) seed_ = seed_at(*seedFrom_);
    // Replaying a live run needs its dates as well as its seed.
    if (start_ || seedFrom_) options_.start = start_ ? *start_ : *seedFrom_;
    if (seed_) options_.seed = *seed_;
    if (options_.seed < kMinClockSecond || options_.seed + std::max<std::int64_t>(options_.passes - 1, 0) > kMaxClockSecond) {
      return fail("the seed " + std::to_string(options_.seed) + " and " + std::to_string(options_.passes) +
                  " passes take the clock beyond its 32-bit range");
    }
    if (!options_.screen && (options_.png || options_.cyclePngPrefix)) {
      return fail("--png and --cycle-png need the screen; leave out --no-screen");
    }
    if (options_.revealBias && !options_.trace) return fail("--reveal-bias shows the window in the --trace file; give one");
  }

  std::span<const char* const> arguments_;
  std::size_t next_ = 0;
  std::string name_;
  std::optional<std::string_view> inlineValue_;
  SimulatorOptions options_;
  std::optional<std::int64_t> seed_;
  std::optional<std::time_t> start_;
  std::optional<std::time_t> seedFrom_;
  std::optional<std::string> error_;
};

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
  return ArgumentReader(arguments, now).read();
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
  std::tm fields{};
  int consumed = 0;
  if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &fields.tm_year, &fields.tm_mon,
                                       &fields.tm_mday, &fields.tm_hour, &fields.tm_min, &fields.tm_sec,
                                       &consumed) != 6 ||
      consumed != 19) {
    return std::nullopt;
  }
  for (const std::size_t digit : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
    if (text[digit] < '0' || text[digit] > '9') return std::nullopt;
  }
  const std::tm wanted = fields;
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  fields.tm_isdst = -1;
  errno = 0;
  const std::time_t time = std::mktime(&fields);
  if (time == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  // mktime moves impossible dates, and times that the clock skips (the hour
  // lost to summer time), to other ones: such a text names no moment.
  if (fields.tm_year + 1900 != wanted.tm_year || fields.tm_mon + 1 != wanted.tm_mon ||
      fields.tm_mday != wanted.tm_mday || fields.tm_hour != wanted.tm_hour || fields.tm_min != wanted.tm_min ||
      fields.tm_sec != wanted.tm_sec) {
    return std::nullopt;
  }
  return time;
}

std::int64_t seed_at(std::time_t start) { return static_cast<std::int64_t>(start) - kYear2000Epoch; }

const char* usage_text() {
  return "usage: novabit-sim [--passes N] [--seed S | --seed-from TIME] [--start TIME] [--dir DIR] [--png FILE]\n"
         "                   [--cycle-png PREFIX] [--trace FILE [--reveal-bias]] [--bits FILE|-] [--no-bias]\n"
         "                   [--no-screen] [--quiet] [--help]\n";
}

const char* help_text() {
  return "novabit-sim: runs the NovaBit monitor's experiment on a virtual clock, as fast as it can, with the\n"
         "same driver, statistics, study log and screen as the live program, and no window or keyboard.\n"
         "\n"
         "  --passes N          passes to run, one per virtual second (default 43201: one 12-hour cycle)\n"
         "  --seed S            the seconds clock's reading at start-up in whole seconds, which seeds the\n"
         "                      bits (default 0); pass k begins at second S + k - 1\n"
         "  --seed-from TIME    the seed of a live run started at local time TIME (\"YYYY-MM-DD HH:MM:SS\",\n"
         "                      as its screen shows): the whole seconds from 2000-01-01 00:00:00 UTC; also\n"
         "                      the default for --start, so that the study log comes out as that run's\n"
         "  --start TIME        the local date and time of pass 1 (default: now); pass k shows TIME plus\n"
         "                      k - 1 seconds, and the study log is named from TIME's date\n"
         "  --dir DIR           where the study log is written (default: the working directory)\n"
         "  --png FILE          the final picture of the screen as an 800 x 600 PNG, in the colours the\n"
         "                      monitor shows\n"
         "  --cycle-png PREFIX  the picture just before each cycle's end as PREFIX-cycleN.png, keeping each\n"
         "                      12-hour graph\n"
         "  --trace FILE        one CSV row per pass: pass,cycle_minute,minute_second,zeros,ones\n"
         "  --reveal-bias       adds forced,bias_start_minute,bias_bit to the trace: the hidden window\n"
         "  --bits FILE         every counted bit in draw order, 8 to a byte, the first in the top bit;\n"
         "                      '-' is standard output, and a reader that closes it ends the run quietly\n"
         "  --no-bias           calibration: the hidden window forces nothing, every draw is unchanged\n"
         "  --no-screen         the experiment and the study log only, for speed (no --png, --cycle-png)\n"
         "  --quiet             no progress bar (it is shown only when standard error is a terminal)\n"
         "  --help              this text\n"
         "\n"
         "A live run that started in the second half of a clock second ran its passes from the second one\n"
         "on a second later than its start time suggests; give --start one second after that time (and\n"
         "--seed-from the time itself) to reproduce its log.\n"
         "\n"
         "Exit status: 0 when the run is complete or its bit reader closed the stream; 1 when the study\n"
         "log or an output could not be written, or a signal stopped the run; 2 for bad arguments.\n";
}

}  // namespace novabit
