#pragma once
// What the programs' command lines share: CLI11 parsing with one style of help
// for all three programs, --help and --version, and errors in one line of our
// own words naming the option and its value.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "base/failure.h"
#include "program/help_format.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace novabit {

// Control characters as \xNN, so that a message stays one line.
std::string escaped(std::string_view text);
// `value` in quotes, as a refusal shows it, escaped.
std::string in_quotes(std::string_view value);

// Where a program's command line ends it before it runs: --help or
// --version (status 0, the text for standard output), bad arguments (status
// 2, one line naming the option and its value, then the usage), or an input
// that cannot be read (status 1, one line naming it).
struct CommandLineEnd {
  int status = 0;
  std::string text;  // the help or the version; else the line, without the program's name

  static CommandLineEnd help(std::string text) { return {0, std::move(text)}; }
  static CommandLineEnd refusal(std::string line) { return {2, std::move(line)}; }
  static CommandLineEnd failure(const Failure& failure) { return {1, failure.message()}; }

  // Prints the help on `output`, or the line after the program's name (and
  // the usage after bad arguments) on `errors`; gives the exit status.
  int tell(std::string_view program, std::string_view usage, std::FILE* output, std::FILE* errors) const;
  // What tell() prints on `errors`.
  std::string error_text(std::string_view program, std::string_view usage) const;
};

// A program's command line read: the options of its run, or its end.
template <typename Options>
using CommandLine = std::variant<Options, CommandLineEnd>;

// Gives `app` the help style, --help and --version, and the options' defaults.
void set_help(CLI::App& app, HelpTexts texts);

// `arguments` without the program name; nothing when they were all taken.
std::optional<CommandLineEnd> parse_command_line(CLI::App& app, std::span<const char* const> arguments);

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
