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
inline constexpr const char* kSourcesHelp =
    "--source keyed (the default) draws every bit from the generator keyed by the sealed key; kernel\n"
    "takes each pass's 200 bits from the kernel's random bytes, device:PATH from any byte stream (a\n"
    "hardware generator's device, a FIFO, a file), most significant bit first. The hidden window is\n"
    "placed by the keyed generator with every source. Health tests (NIST SP 800-90B: repetition count,\n"
    "adaptive proportion) watch the source's bits; an alarm is reported and recorded, the run goes on.\n"
    "A physical source that ends, fails or delivers nothing for 10 seconds ends the run with status 1.";

}  // namespace novabit
