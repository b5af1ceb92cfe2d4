#pragma once
// What the programs' command lines share: CLI11 parsing into help or one line
// of error, and the options that choose the source of the bits and the raw
// record.

#include <optional>
#include <span>
#include <string>
#include <variant>

#include <CLI/CLI.hpp>

#include "sources/source_spec.h"

namespace novabit {

struct HelpRequested {
  std::string text;
};
struct ArgumentError {
  std::string message;  // one line, naming the problem
};

// `arguments` without the program name; nothing when they were all taken.
std::optional<std::variant<HelpRequested, ArgumentError>> parse_command_line(CLI::App& app,
                                                                            std::span<const char* const> arguments);

// --source NAME into `source`, and --no-trials into `noTrials`. Returns --source.
CLI::Option* add_source_options(CLI::App& app, SourceSpec& source, bool& noTrials);

// The help's paragraph on sources.
std::string sources_help();

}  // namespace novabit
