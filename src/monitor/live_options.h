#pragma once
// The live program's command line. Without arguments it runs as it always
// has: the keyed generator, and the raw record beside the study log.

#include <span>
#include <string>
#include <variant>

#include "monitor/command_line.h"
#include "sources/source_spec.h"

namespace novabit {

struct LiveOptions {
  SourceSpec source;
  bool trialsRecord = true;
};

using LiveArguments = std::variant<LiveOptions, HelpRequested, ArgumentError>;

// `arguments` without the program name.
LiveArguments parse_live_arguments(std::span<const char* const> arguments);

std::string live_usage_text();

}  // namespace novabit
