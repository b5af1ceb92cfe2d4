#include "report/report_options.h"

#include <CLI/CLI.hpp>
#include <limits>
#include <tuple>

#include "events/events_file.h"

namespace novabit::report {

namespace {

constexpr const char* kUsage =
    "usage: novabit-report [--trials FILE]... [--seal FILE [--verify]]... [--csv FILE] [--png FILE]\n"
    "                      [--svg FILE] [--pdf FILE] [--size WxH] [--json FILE] [--tau T] [--alpha A]\n"
    "                      LOG...\n"
    "       novabit-report --network FILE... [--seal FILE... [--outside-windows]] [--csv FILE]\n"
    "                      [--png FILE] [--svg FILE] [--pdf FILE] [--size WxH] [--json FILE]\n"
    "                      [--events EVENTS.csv]\n"
    "       novabit-report --network FILE... [--seal FILE... [--outside-windows]] [--events EVENTS.csv]\n"
    "                      [--from UTC] [--to UTC] --partial FILE\n"
    "       novabit-report --combine PARTIAL... [--events EVENTS.csv] [--json FILE]\n"
    "       novabit-report --register EVENTS.csv\n"
    "       novabit-report --version | --help\n";

constexpr const char* kSummary =
    "turns NovaBit study logs (estudio_MM-DD-YYYY, .1, ...; any order, any writer of the format) into the "
    "field's statistics. For every trial of n fair bits with k ones z = (k - n/2) / sqrt(n/4), combined by "
    "Stouffer's Z = sum z / sqrt(N) (two-sided p) and chi-square = sum z^2 (N degrees of freedom, upper-tail p), "
    "per 12-hour cycle and for the whole input, and the cumulative deviation sum (k - n/2) against its 95 % "
    "envelope 1.96 sqrt(N n/4). Lines that are no valid record are reported and skipped.";

constexpr const char* kFooter =
    "Always-valid boundary: the normal-mixture statistic E = (1 + N tau^2)^(-1/2) exp(tau^2 S^2 / (2 (1 + N "
    "tau^2))) on S = sum z over N trials (Robbins 1970; Howard, Ramdas, McAuliffe and Sekhon 2021, "
    "\"Time-uniform, nonparametric, nonasymptotic confidence sequences\"). By Ville's inequality a run without "
    "effect reaches E >= 1/alpha with probability at most alpha, however often it is looked at. Reported: max E, "
    "the first crossing, and the always-valid p = min(1, 1 / max E). Trials of other sizes than a five-minute "
    "record use tau sqrt(n / 60000), the same effect per bit.\n"
    "\n"
    "With --network the FILEs are raw records (.trials.csv) of several stations, read side by side and merged "
    "by their UTC seconds: for each second with at least two stations, z = (k - 100) / sqrt(50) of each and "
    "Z_t = sum z / sqrt(S_t) over the S_t stations present; reported are the network variance sum (Z_t^2 - 1) "
    "with the chi-square p of sum Z_t^2 on T degrees of freedom, the device variance sum (z^2 - 1) with its p, "
    "and each station's seconds, Stouffer Z, alarms and late passes. Copies of one station's record count "
    "once. --csv gives one row per second, --png, --svg and --pdf the cumulative network variance with its 95 % "
    "envelope 1.96 sqrt(2 T).\n"
    "\n"
    "Figures are drawn for a paper, the same in all three formats: WxH in points (1/72 inch; default 252x187.2, "
    "one column of a journal page), the PNG at 300 pixels per inch, text in DejaVu Sans, the curves apart in "
    "line style as well as in colour.\n"
    "\n"
    "--events EVENTS.csv tests pre-registered events: a header line name,start,end,statistic,sign, then one event "
    "a row, its start and end in UTC as 2027-01-01T00:00:00Z (the start included, the end not), the statistic "
    "netvar (sum Z_t^2 on its T seconds), devvar (sum z^2 on its station-seconds) or stouffer (sum Z_t / sqrt(T)) "
    "with, for stouffer alone, the expected sign + or -. Each event gets its p (upper tail) and the normal quantile "
    "z of that p; the events combine into Stouffer's Z = sum z / sqrt(n), with the cumulative z against its "
    "envelope 1.96 sqrt(k). Malformed rows, events overlapping an earlier one and events without a second of the "
    "network are left out with a note each. --register EVENTS.csv prints the file's SHA-256, to be published "
    "before the events' data exist; the report prints the same digest. With --csv FILE the events' rows go to "
    "FILE with .csv replaced by .events.csv, and with --png, --svg or --pdf FILE the figure of their cumulative z "
    "to FILE with .events before its extension.\n"
    "\n"
    "--from and --to (UTC as 2027-01-01T00:00:00Z, the end not included) keep the network's seconds of a time "
    "range, and --partial FILE writes the range's sums in whole numbers instead of the report; --combine adds "
    "the partial files of ranges computed anywhere into the report the whole run gives, to its last digit. Partials "
    "made with different stations, events or --outside-windows, or with overlapping ranges, are refused; gaps "
    "between ranges are named. Each station's always-valid boundary, the per-second CSV and the figure are no sums "
    "and are not combined.\n"
    "\n"
    "--json writes every figure of the summary at full precision for programs, with the notes by file and line, "
    "the program's version and each input's SHA-256; novabit-report.schema.json, installed with the program, "
    "describes its fields.\n"
    "\n"
    "A seal reveals a run's windows only once its key is proven: by the key_sha256 of the run's raw record, or "
    "by a replay of the key that reproduces most of the log's first hour of records. Seals of runs that are not "
    "among the inputs are named in a note each and left out, so a keeper's whole folder may be given.\n"
    "\n"
    "Exit status: 0 when the report was made; 1 when an input cannot be read or holds no valid record, a seal's "
    "replay does not reproduce the records of the run it belongs to, --verify finds a record or second that "
    "differs from the replay (after the report, whose last line says so), or an output cannot be written, in "
    "one line naming the file; --register also when a row of the events is left out or none is given; 2 for bad "
    "arguments.";

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Time ranges and their sums: with --network, or added up alone.
std::optional<CommandLineEnd> unfit_range(const ReportOptions& options) {
  if (!options.combine.empty()) {
    if (!options.network.empty() || !options.logs.empty() || !options.trials.empty() || !options.seals.empty() ||
        options.outsideWindows || options.from || options.to || options.partial || options.csv || options.png ||
        options.svg || options.pdf) {
      return CommandLineEnd::refusal("--combine: adds up partial sums alone, with --events and --json at most");
    }
    return std::nullopt;
  }
  if (options.network.empty()) {
    for (const auto& [name, given] :
         {std::pair{"--from", options.from.has_value()}, std::pair{"--to", options.to.has_value()},
          std::pair{"--partial", options.partial.has_value()}}) {
      if (given) return CommandLineEnd::refusal(std::string(name) + ": belongs to --network");
    }
  }
  if (options.from && options.to && *options.to <= *options.from) {
    return CommandLineEnd::refusal("--to: the range ends before --from begins");
  }
  if (options.partial &&
      (options.partial->empty() || options.csv || options.png || options.svg || options.pdf || options.json)) {
    return CommandLineEnd::refusal(
        "--partial: a file for the range's sums alone, without --csv, --png, --svg, --pdf "
        "or --json");
  }
  return std::nullopt;
}

// What the options cannot mean together, once each was read.
std::optional<CommandLineEnd> unfit(const ReportOptions& options) {
  if (options.registerEvents) {
    if (!options.network.empty() || !options.logs.empty() || !options.trials.empty() || !options.seals.empty() ||
        options.events || options.csv || options.png) {
      return CommandLineEnd::refusal("--register: takes the events file alone");
    }
    if (options.registerEvents->empty()) return CommandLineEnd::refusal("--register: '' names no file");
    return std::nullopt;
  }
  if (std::optional<CommandLineEnd> end = unfit_range(options)) return end;
  if (options.events && options.network.empty() && options.combine.empty()) {
    return CommandLineEnd::refusal("--events: belongs to --network");
  }
  if (options.events && options.events->empty()) return CommandLineEnd::refusal("--events: '' names no file");
  if (!options.network.empty()) {
    if (!options.logs.empty() || !options.trials.empty() || options.verify) {
      return CommandLineEnd::refusal("--network: reads raw records alone, without study logs, --trials or --verify");
    }
  } else if (options.logs.empty() && options.combine.empty()) {
    return CommandLineEnd::refusal("LOG: no study log given");
  } else if (options.outsideWindows) {
    return CommandLineEnd::refusal("--outside-windows: belongs to --network");
  }
  if (options.verify && options.seals.empty()) return CommandLineEnd::refusal("--verify: needs a --seal");
  if (options.outsideWindows && options.seals.empty())
    return CommandLineEnd::refusal("--outside-windows: needs a --seal");
  for (const auto& [name, file] :
       {std::pair{"--csv", &options.csv}, std::pair{"--png", &options.png}, std::pair{"--svg", &options.svg},
        std::pair{"--pdf", &options.pdf}, std::pair{"--json", &options.json}}) {
    if (*file && (*file)->empty()) return CommandLineEnd::refusal(std::string(name) + ": '' names no file");
  }
  return std::nullopt;
}

void add_input_options(CLI::App& app, ReportOptions& options) {
  app.add_option("LOG", options.logs, "the study logs to read; - reads standard input")->group("Inputs");
  app.add_option("--trials", options.trials,
                 "a raw per-second record (estudio_MM-DD-YYYY.trials.csv) for the per-second analysis; repeatable")
      ->allow_extra_args(false)
      ->type_name("FILE")
      ->group("Inputs");
  app.add_option("--seal", options.seals,
                 "the seal of a run (estudio_MM-DD-YYYY.seal): reveals its hidden windows after the study; "
                 "repeatable")
      ->allow_extra_args(false)
      ->type_name("FILE")
      ->group("Inputs");
  app.add_flag("--verify", options.verify,
               "replays each sealed run of the keyed generator and compares its records and seconds with the "
               "replay")
      ->group("Inputs");
  app.add_option("--network", options.network,
                 "raw records of several stations, for the network analysis (instead of study logs); "
                 "repeatable")
      ->type_name("FILE")
      ->group("Network of stations");
  app.add_flag("--outside-windows", options.outsideWindows,
               "with --network and each station's --seal: leaves out the seconds inside its hidden windows")
      ->group("Network of stations");
  app.add_option("--events", options.events,
                 "with --network: the pre-registered events (name,start,end,statistic,sign), each tested and all "
                 "combined")
      ->type_name("EVENTS.csv")
      ->group("Network of stations");
  for (auto [name, time, help] :
       {std::tuple{"--from", &options.from, "with --network: counts the seconds from this UTC time on"},
        std::tuple{"--to", &options.to, "with --network: counts the seconds before this UTC time"}}) {
    app.add_option_function<std::string>(
           name,
           [name = name, time = time](const std::string& text) {
             *time = events::parse_utc(text);
             if (!*time)
               throw CLI::ValidationError(name, in_quotes(text) + " is not a UTC time such as 2027-01-01T00:00:00Z");
           },
           help)
        ->type_name("UTC")
        ->group("Time ranges");
  }
  app.add_option("--partial", options.partial, "with --network: writes the range's sums to FILE, for --combine")
      ->type_name("FILE")
      ->group("Time ranges");
  app.add_option("--combine", options.combine, "adds up the partial sums of time ranges into the whole's report")
      ->type_name("PARTIAL")
      ->group("Time ranges");
  app.add_option("--register", options.registerEvents,
                 "prints the SHA-256 of an events file, to be published before the events' data exist")
      ->type_name("EVENTS.csv")
      ->group("Network of stations");
}

void add_output_options(CLI::App& app, ReportOptions& options) {
  app.add_option("--csv", options.csv, "one row per record, RFC 4180")->type_name("FILE")->group("Outputs");
  app.add_option("--png", options.png, "the figure of the cumulative deviation as a picture, 300 pixels per inch")
      ->type_name("FILE")
      ->group("Outputs");
  app.add_option("--svg", options.svg, "the same figure as SVG")->type_name("FILE")->group("Outputs");
  app.add_option("--pdf", options.pdf, "the same figure as PDF")->type_name("FILE")->group("Outputs");
  app.add_option_function<std::string>(
         "--size",
         [&options](const std::string& text) {
           const std::optional<figures::FigureSize> size = figures::parse_figure_size(text);
           if (!size) {
             throw CLI::ValidationError("--size", in_quotes(text) + " is not WxH in points, each from 36 to 1000");
           }
           options.size = *size;
         },
         "the figures' width and height in points (default 252x187.2)")
      ->type_name("WxH")
      ->group("Outputs");
  app.add_option("--json", options.json,
                 "every figure of the summary for programs, with the notes, the version and each input's SHA-256 "
                 "(novabit-report.schema.json)")
      ->type_name("FILE")
      ->group("Outputs");
  add_number(app, "--tau", options.settings.tau, 0, kInfinity,
             "the mixture's scale for a five-minute record's z (default 0.235)")
      ->type_name("T")
      ->group("Always-valid boundary");
  add_number(app, "--alpha", options.settings.alpha, 0, 1, "the boundary's level, E >= 1/A (default 0.05)")
      ->type_name("A")
      ->group("Always-valid boundary");
}

}  // namespace

CommandLine<ReportOptions> parse_report_options(std::span<const char* const> arguments) {
  ReportOptions options;
  CLI::App app;
  set_help(app, {"novabit-report", kSummary, kUsage, kFooter});
  add_input_options(app, options);
  add_output_options(app, options);
  if (std::optional<CommandLineEnd> end = parse_command_line(app, arguments.subspan(1))) return *end;
  if (std::optional<CommandLineEnd> end = unfit(options)) return *end;
  return options;
}

std::string report_usage_text() { return kUsage; }

}  // namespace novabit::report
