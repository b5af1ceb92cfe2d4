#pragma once
// The command line of novabit-report, read with CLI11 in the programs' one style.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "report/series_statistics.h"

namespace novabit::report {

struct ReportOptions {
  std::vector<std::string> logs;
  std::vector<std::string> trials;
  std::vector<std::string> seals;
  std::optional<std::string> csv;
  std::optional<std::string> png;
  bool verify = false;
  std::vector<std::string> network;  // raw records of several stations, for the network analysis
  bool outsideWindows = false;       // with --network: leave out the seconds inside the hidden windows
  BoundarySettings settings;
};

struct ParsedOptions {
  std::optional<ReportOptions> options;  // nothing when the program ends here
  int exitStatus = 0;                    // then: 0 after --help or --version, 2 for bad arguments
  std::string output;                    // the help or the version, for standard output
  std::string error;                     // the problem and the usage, for standard error
};

// `arguments` with the program name first.
ParsedOptions parse_report_options(std::span<const char* const> arguments);

}  // namespace novabit::report
