#include "monitor/live_options.h"

namespace novabit {

namespace {

constexpr const char* kDescription =
    "novabit: the NovaBit monitor. One pass per second draws 200 bits, shows them and their leaning, and\n"
    "every 5 and 15 minutes writes a record to the study log estudio_MM-DD-YYYY in the working directory,\n"
    "beside the key's seal (.seal) and the raw per-second record (.trials.csv). The space bar ends it.";

constexpr const char* kExitStatus =
    "Exit status: 0 after the space bar; 1 when the screen, the source, the study log, the seal or the raw\n"
    "record could not be opened or written, the source stopped, or the display was lost; 2 for bad\n"
    "arguments.";

}  // namespace

LiveArguments parse_live_arguments(std::span<const char* const> arguments) {
  LiveOptions options;
  bool noTrials = false;
  CLI::App app(kDescription, "novabit");
  app.footer(sources_help() + "\n\n" + kExitStatus);
  add_source_options(app, options.source, noTrials);
  if (auto outcome = parse_command_line(app, arguments)) {
    return std::visit([](auto&& result) -> LiveArguments { return result; }, *outcome);
  }
  options.trialsRecord = !noTrials;
  return options;
}

std::string live_usage_text() { return "usage: novabit [--source " + source_names() + "] [--no-trials] [--help]\n"; }

}  // namespace novabit
