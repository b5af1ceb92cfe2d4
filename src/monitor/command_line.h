#pragma once
// What the programs' command lines share: CLI11 parsing with one style of help
// for all three programs, --help and --version, errors in one line of our own
// words naming the option and its value, and the options that choose the
// source of the bits and the raw record.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include <CLI/CLI.hpp>

#include "metrics/listen_address.h"
#include "monitor/help_format.h"
#include "sources/source_spec.h"
#include "textio/failure.h"

namespace novabit {

// `value` in quotes, as a refusal shows it: control characters as \xNN, so
// that the message stays one line.
std::string in_quotes(std::string_view value);

// --help or --version: the text for standard output, and exit status 0.
struct HelpRequested {
  std::string text;
};
// Bad arguments: one line naming the option and its value; exit status 2.
struct ArgumentError {
  std::string message;
};

// Gives `app` the help style, --help and --version, and the options' defaults.
void set_help(CLI::App& app, HelpTexts texts);

// `arguments` without the program name; nothing when they were all taken.
std::optional<std::variant<HelpRequested, ArgumentError>> parse_command_line(CLI::App& app,
                                                                            std::span<const char* const> arguments);

// "--NAME N" into `target`: a whole number from `least` to `most`.
CLI::Option* add_whole_number(CLI::App& app, const std::string& name, std::int64_t& target, std::int64_t least,
                              std::int64_t most, const std::string& description);
// "--NAME X" into `target`: a number above `above` and below `below`.
CLI::Option* add_number(CLI::App& app, const std::string& name, double& target, double above, double below,
                        const std::string& description);

// --source NAME into `source`.
CLI::Option* add_source_option(CLI::App& app, SourceSpec& source);
// --no-trials into `noTrials`.
CLI::Option* add_no_trials_flag(CLI::App& app, bool& noTrials);

// A station as its raw record and its metrics name it, and where it serves them.
struct StationOptions {
  std::string station;  // empty: the host name
  std::optional<ListenAddress> metrics;
  std::string metricsWebConfig{};  // empty: plain HTTP for anyone
};
// --station NAME, --metrics [ADDR:]PORT and --metrics-web-config FILE (only
// with --metrics) into `options`, in the group "Station".
void add_station_options(CLI::App& app, StationOptions& options);

// New files can be made in the folder `option` named, or in the working folder
// when `folder` is empty; a failure names the option and the folder.
Outcome writable_output_folder(const std::string& option, const std::filesystem::path& folder);

// The help's paragraph on sources.
std::string sources_help();

}  // namespace novabit
