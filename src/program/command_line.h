#pragma once
// What the programs' command lines share: CLI11 parsing with one style of help
// for all three programs, --help and --version, and errors in one line of our
// own words naming the option and its value.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include <CLI/CLI.hpp>

#include "program/help_format.h"
#include "base/failure.h"

namespace novabit {

// Control characters as \xNN, so that a message stays one line.
std::string escaped(std::string_view text);
// `value` in quotes, as a refusal shows it, escaped.
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

// New files can be made in the folder `option` named, or in the working folder
// when `folder` is empty; a failure names the option and the folder.
Outcome writable_output_folder(const std::string& option, const std::filesystem::path& folder);

}  // namespace novabit
