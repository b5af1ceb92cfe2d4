#pragma once
// The live program's command line. Without arguments it runs as it always
// has: the keyed generator, and the study log, its seal and the raw record in
// the working folder.

#include <filesystem>
#include <span>
#include <string>
#include <variant>

#include "base/failure.h"
#include "experiment/experiment_driver.h"
#include "monitor/run_options.h"
#include "program/command_line.h"
#include "sources/source_spec.h"

namespace novabit {

struct LiveOptions {
  SourceSpec source;
  bool trialsRecord = true;
  std::filesystem::path directory;      // of the study log and the raw record; empty: the working folder
  std::filesystem::path sealDirectory;  // of the seal; empty: beside the study log
  StationOptions station;
  Pace pace = Pace::poll;
};

// `arguments` without the program name.
CommandLine<LiveOptions> parse_live_arguments(std::span<const char* const> arguments);

// The folders the run writes into can take new files; a failure names the
// option and the folder.
Outcome check_folders(const LiveOptions& options);

std::string live_usage_text();

}  // namespace novabit
