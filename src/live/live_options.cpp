#include "live/live_options.h"

#include <string_view>

#include <CLI/CLI.hpp>

namespace novabit {

namespace {

constexpr const char* kSummary =
    "the NovaBit monitor of a random-bit experiment. One pass per second draws 200 bits, shows them and "
    "their leaning, and plots them on a 12-hour graph; every 5 and 15 minutes a record goes to the study log "
    "estudio_MM-DD-YYYY, beside the key's seal (.seal) and the raw per-second record (.trials.csv). The space "
    "bar ends the run.";

constexpr const char* kExitStatus =
    "Exit status: 0 after the space bar or a stop signal; 1 when a folder, the screen, the source, the study "
    "log, the seal or the raw record could not be opened or written, another run holds the folder, the "
    "metrics' port could not be had, the source stopped, a signal other than SIGINT, SIGTERM and SIGHUP ended "
    "the run, or the display was lost or hung; 2 for bad arguments.";

}  // namespace

CommandLine<LiveOptions> parse_live_arguments(std::span<const char* const> arguments) {
  LiveOptions options;
  bool noTrials = false;
  std::string directory;
  std::string sealDirectory;
  CLI::App app;
  set_help(app, {"novabit", kSummary, live_usage_text(), sources_help() + "\n\n" + kExitStatus});
  app.add_option("--dir", directory,
                 "the folder of the study log and the raw record, which must exist (default: the working folder)")
      ->type_name("DIR")
      ->group("Files");
  app.add_option("--seal-dir", sealDirectory,
                 "the folder of the seal alone, which must exist, e.g. one only the keeper of the blind can read "
                 "(default: beside the study log)")
      ->type_name("DIR")
      ->group("Files");
  add_no_trials_flag(app, noTrials)->group("Files");
  add_source_option(app, options.source)->group("Source");
  add_station_options(app, options.station);
  app.add_option_function<std::string>(
         "--pace",
         [&options](const std::string& text) {
           if (text != "poll" && text != "sleep")
             throw CLI::ValidationError("--pace", in_quotes(text) + " is not poll or sleep");
           options.pace = text == "sleep" ? Pace::sleep : Pace::poll;
         },
         "how the wait for each next second is spent: poll, the clock and the keys read without a pause (a whole "
         "core); sleep, asleep until just before the second, the keys still read every 20 ms (default: poll)")
      ->type_name("poll|sleep")
      ->group("Timing");
  if (std::optional<CommandLineEnd> end = parse_command_line(app, arguments)) return *end;
  for (const auto& [name, folder] : {std::pair{"--dir", &directory}, std::pair{"--seal-dir", &sealDirectory}}) {
    if (app.count(name) > 0 && folder->empty())
      return CommandLineEnd::refusal(std::string(name) + ": '' names no folder");
  }
  options.trialsRecord = !noTrials;
  options.directory = directory;
  options.sealDirectory = sealDirectory;
  return options;
}

Outcome check_folders(const LiveOptions& options) {
  for (const auto& [name, folder] :
       {std::pair{"--dir", &options.directory}, std::pair{"--seal-dir", &options.sealDirectory}}) {
    if (folder->empty() && name == std::string_view("--seal-dir")) continue;
    if (Outcome writable = writable_output_folder(name, *folder); !writable) return writable;
  }
  return {};
}

std::string live_usage_text() {
  return "usage: novabit [--dir DIR] [--seal-dir DIR] [--source " + source_names() +
         "] [--no-trials]\n"
         "               [--station NAME] [--metrics [ADDR:]PORT [--metrics-web-config FILE]]\n"
         "               [--pace poll|sleep]\n"
         "       novabit --version | --help\n";
}

}  // namespace novabit
